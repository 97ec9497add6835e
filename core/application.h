#pragma once
// The spine: brings the parts up in their fixed order, hands each window event to the part that
// handles it, runs the tick sequence with the deferred relayout, and takes the parts down again.

#include "core/parts.h"

namespace quendar {

/// The parts the spine drives, all owned elsewhere and outliving the Application.
struct Parts {
    WindowPart& window;
    ButtonControls& buttons;
    PanelPart& panel;
    LinkPart& link;
    ProtocolPart& protocol;
    LogPart& log;
    StatisticsPart& statistics;
};

/// Start-up, event dispatch, tick and shutdown of the program.
class Application final : public WindowEvents {
public:
    /// Countdown value at which the relayout is idle.
    static constexpr int kCountdownIdle = 6;
    /// Countdown value at which a relayout runs.
    static constexpr int kCountdownDue = 5;

    /// Keeps references to the parts; does nothing else.
    explicit Application(const Parts& parts);

    /// Runs the start-up steps from opening the window to opening the port, in their order.
    void startUp();
    /// Notes a change of the inner width and restarts the relayout countdown; heights are ignored.
    void onSizeChanged() override;
    /// Dispatches a click to the part that owns the button.
    void onButtonClicked(Button button) override;
    /// One tick: protocol step, relayout countdown, panel tick.
    void onTimer() override;
    /// Runs the shutdown steps: stop logging, close the port, close the window.
    void onCloseRequested() override;

    /// Ticks since the last width change, 0 to 6 (5 relayout due, 6 idle).
    [[nodiscard]] int relayoutCountdown() const { return m_relayoutCountdown; }
    /// The inner width last recorded.
    [[nodiscard]] int storedWidth() const { return m_storedWidth; }
    /// True once shutdown has run.
    [[nodiscard]] bool isShutDown() const { return m_shutDown; }

private:
    Parts m_parts;
    int m_storedWidth = 0;
    int m_relayoutCountdown = 0;
    bool m_shutDown = false;
};

} // namespace quendar
