#include "device/protocol.h"

namespace quendar {

DeviceProtocol::DeviceProtocol(LinkIo& link, ResultEvaluator& evaluator, StatusLines& lines,
                               PanelControl& panel)
    : m_link(link), m_evaluator(evaluator), m_lines(lines), m_panel(panel) {}

// Placeholders until the protocol work lands.
void DeviceProtocol::protocolStep() {}

void DeviceProtocol::sendCancel() {
    m_send[0] = static_cast<std::uint8_t>(HostCommand::CancelMeasurement);
    (void)m_link.writeBytes(m_send.data(), 1);
}

} // namespace quendar
