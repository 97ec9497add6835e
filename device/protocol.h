#pragma once
// The byte conversation with the measuring device, one step per timer tick.

#include "core/evaluation.h"
#include "core/parts.h"
#include "core/ui.h"
#include "device/device_link.h"

#include <array>
#include <cstdint>

namespace quendar {

/// Status bytes the device sends.
enum class DeviceCode : std::uint8_t {
    Ready = 167,
    RunLeftToRight = 168,
    RunRightToLeft = 169,
    ResultReady = 170,
    Reset = 171,
};

/// Command bytes the program sends.
enum class HostCommand : std::uint8_t {
    RequestBlock = 105,
    CancelMeasurement = 151,
};

/// Protocol state between ticks.
enum class ProtocolState { Idle, AwaitingBlock };

/// The device protocol state machine.
class DeviceProtocol final : public ProtocolPart {
public:
    /// Size of the data block including its check byte.
    static constexpr int kBlockSize = 15;
    /// Ticks without a complete block after which the wait is given up (on the next one).
    static constexpr int kMaxWaitTicks = 20;

    /// All references must outlive the protocol.
    DeviceProtocol(LinkIo& link, ResultEvaluator& evaluator, StatusLines& lines,
                   PanelControl& panel);

    /// One step: reads at most one status byte or one whole block, never waits for the line.
    void protocolStep() override;
    /// Writes the cancel command, whatever the state; nothing else changes.
    void sendCancel() override;

    /// The current state.
    [[nodiscard]] ProtocolState state() const { return m_state; }
    /// Ticks counted while awaiting the block.
    [[nodiscard]] int waitTicks() const { return m_waitTicks; }
    /// The record of the last block read.
    [[nodiscard]] const MeasurementRecord& record() const { return m_record; }

private:
    void stepIdle();
    void stepAwaitingBlock();
    // Acts on one status byte taken in Idle; unknown values change nothing.
    void react(std::uint8_t code);
    // Reads and drops every byte waiting.
    void discardInput();

    LinkIo& m_link;
    ResultEvaluator& m_evaluator;
    StatusLines& m_lines;
    PanelControl& m_panel;
    ProtocolState m_state = ProtocolState::Idle;
    std::int32_t m_waitTicks = 0;
    std::array<std::uint8_t, 255> m_receive{};
    std::array<std::uint8_t, 255> m_send{};
    MeasurementRecord m_record{};
};

} // namespace quendar
