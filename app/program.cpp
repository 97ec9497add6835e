#include "app/program.h"

namespace quendar {

Program::Program(const ProgramOptions& options)
    : m_window(m_gate, options.assetsDir), m_qtDialogs(&m_window, m_gate),
      m_dialogs(options.dialogs != nullptr ? *options.dialogs : m_qtDialogs),
      m_clock(options.clock != nullptr ? *options.clock : m_systemClock),
      m_port(options.port != nullptr ? *options.port : m_qtPort), m_panel(m_window),
      m_link(m_port, m_dialogs, m_window, m_panel, options.configPath),
      m_statistics(m_window, m_window), m_log(m_dialogs, m_window, m_clock),
      m_evaluator(m_window, m_panel, m_log, m_statistics),
      m_protocol(m_link, m_evaluator, m_window, m_panel),
      m_application(Parts{m_window, m_window, m_panel, m_link, m_protocol, m_log, m_statistics}) {
    m_window.setEventHandler(&m_application);
}

} // namespace quendar
