#include "device/protocol.h"

#include "core/format.h"

namespace quendar {
namespace {

constexpr int kBlockReadError = 1;
constexpr int kChecksumError = 4;

} // namespace

DeviceProtocol::DeviceProtocol(LinkIo& link, ResultEvaluator& evaluator, StatusLines& lines,
                               PanelControl& panel)
    : m_link(link), m_evaluator(evaluator), m_lines(lines), m_panel(panel) {}

void DeviceProtocol::protocolStep() {
    if (!m_link.isPortOpen()) {
        // Repeated every tick while closed; an awaited block is given up without a time-out.
        m_panel.showDashes();
        m_lines.setLineText(Line::Info, "COM-Schnittstelle " + formatInteger(m_link.portNumber()) +
                                            " konnte nicht ge\xF6"
                                            "ffnet werden!");
        m_lines.setLineText(Line::Measure, "");
        m_lines.setLineText(Line::Speed, "");
        m_state = ProtocolState::Idle;
        return;
    }
    if (m_state == ProtocolState::Idle) {
        stepIdle();
    } else {
        stepAwaitingBlock();
    }
}

void DeviceProtocol::sendCancel() {
    // Whatever the state: on a closed port the write simply sends nothing.
    m_send[0] = static_cast<std::uint8_t>(HostCommand::CancelMeasurement);
    (void)m_link.writeBytes(m_send.data(), 1);
}

void DeviceProtocol::stepIdle() {
    if (m_link.bytesWaiting() <= 0) {
        return;
    }
    // One status byte per tick: bytes that come faster wait their turn in the input.
    (void)m_link.readBytes(m_receive.data(), 1);
    if (m_link.portErrorStatus() != PortErrorNone) {
        return;
    }
    react(m_receive[0]);
}

void DeviceProtocol::react(std::uint8_t code) {
    switch (static_cast<DeviceCode>(code)) {
    case DeviceCode::Ready:
        m_panel.setReady(true);
        break;
    case DeviceCode::RunLeftToRight:
        m_panel.startRunningLight(RunDirection::LeftToRight);
        m_panel.setReady(false);
        m_evaluator.clearResultTexts();
        break;
    case DeviceCode::RunRightToLeft:
        m_panel.startRunningLight(RunDirection::RightToLeft);
        m_panel.setReady(false);
        m_evaluator.clearResultTexts();
        break;
    case DeviceCode::ResultReady:
        m_panel.stopRunningLight();
        m_panel.setReady(false);
        m_waitTicks = 0;
        m_state = ProtocolState::AwaitingBlock;
        m_send[0] = static_cast<std::uint8_t>(HostCommand::RequestBlock);
        (void)m_link.writeBytes(m_send.data(), 1);
        break;
    case DeviceCode::Reset:
        m_panel.showDashes();
        m_panel.setReady(false);
        m_evaluator.clearResultTexts();
        break;
    default:
        break;
    }
}

void DeviceProtocol::stepAwaitingBlock() {
    // The count is tested before the tick is counted, so a block complete in the 21st tick is
    // still taken.
    if (m_link.bytesWaiting() < kBlockSize) {
        ++m_waitTicks;
        if (m_waitTicks > kMaxWaitTicks) {
            discardInput();
            m_panel.showDashes();
            m_lines.setLineText(Line::Info, "Timeout COM-Schnittstelle!");
            m_evaluator.clearResultTexts();
            m_state = ProtocolState::Idle;
        }
        return;
    }
    (void)m_link.readBytes(m_receive.data(), kBlockSize);
    int error = 0;
    if (m_link.portErrorStatus() != PortErrorNone) {
        error = kBlockReadError;
    } else {
        std::uint8_t check = 0;
        for (int i = 0; i < kBlockSize; ++i) {
            m_record[static_cast<std::size_t>(i)] = m_receive[static_cast<std::size_t>(i)];
        }
        for (int i = 0; i < kBlockSize - 1; ++i) {
            check ^= m_record[static_cast<std::size_t>(i)];
        }
        if (check != m_record[kBlockSize - 1]) {
            error = kChecksumError;
        }
    }
    if (error == 0) {
        m_evaluator.evaluateRecord(m_record);
    } else {
        m_panel.showDashes();
        m_lines.setLineText(Line::Info, "Fehler " + formatInteger(error) + " COM-Schnittstelle!");
        m_evaluator.clearResultTexts();
    }
    m_state = ProtocolState::Idle;
}

void DeviceProtocol::discardInput() {
    while (m_link.bytesWaiting() > 0) {
        // A port that claims bytes but yields none would otherwise hold the tick forever.
        if (m_link.readBytes(m_receive.data(), 1) <= 0) {
            break;
        }
    }
}

} // namespace quendar
