#include "core/application.h"

namespace quendar {

Application::Application(const Parts& parts) : m_parts(parts) {}

void Application::startUp() {
    m_parts.window.openMainWindow();
    m_storedWidth = m_parts.window.innerWidth();
    m_parts.link.loadPortConfig();
    m_parts.window.startTimer();
    m_parts.panel.createFields();
    m_parts.window.buildControls();
    m_parts.panel.relayout();
    m_parts.window.showButtons();
    m_parts.link.openPortAtStartup();
}

void Application::onSizeChanged() {
    if (m_shutDown) {
        return;
    }
    const int width = m_parts.window.innerWidth();
    if (width == m_storedWidth) {
        return;
    }
    m_storedWidth = width;
    m_relayoutCountdown = 0;
}

void Application::onButtonClicked(Button button) {
    if (m_shutDown) {
        return;
    }
    switch (button) {
    case Button::Port:
        m_parts.link.choosePort();
        return;
    case Button::Log:
        m_parts.log.onLogButton(m_parts.buttons.isPressed(Button::Log));
        return;
    case Button::Statistics:
        m_parts.statistics.toggleStatistics(m_parts.buttons.isPressed(Button::Statistics));
        return;
    case Button::Cancel:
        m_parts.protocol.sendCancel();
        return;
    }
}

void Application::onTimer() {
    if (m_shutDown) {
        return;
    }
    m_parts.protocol.protocolStep();
    if (m_relayoutCountdown < kCountdownDue) {
        ++m_relayoutCountdown;
        if (m_relayoutCountdown == kCountdownDue) {
            m_parts.panel.relayout();
            m_relayoutCountdown = kCountdownIdle;
        }
    }
    m_parts.panel.tick();
}

void Application::onCloseRequested() {
    if (m_shutDown) {
        return;
    }
    m_shutDown = true;
    m_parts.log.stopLogging();
    m_parts.link.closePort();
    m_parts.window.closeMainWindow();
}

} // namespace quendar
