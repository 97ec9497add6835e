#include "device/device_link.h"

#include "core/format.h"

namespace quendar {

DeviceLink::DeviceLink(SerialPort& port, Dialogs& dialogs, StatusLines& lines, PanelControl& panel,
                       std::filesystem::path configPath)
    : m_port(port), m_dialogs(dialogs), m_lines(lines), m_panel(panel),
      m_configPath(std::move(configPath)) {}

// Placeholders until the device work lands.
void DeviceLink::loadPortConfig() {}
void DeviceLink::savePortConfig() {}

void DeviceLink::openPort(int queueSize) {
    (void)m_port.open(m_portNumber, PortOpenOptions{queueSize});
}

void DeviceLink::openPortAtStartup() {
    openPort(255);
    if (!m_port.isOpen()) {
        m_dialogs.messageBox("Fehler", "Die COM-Schnittstelle " + formatInteger(m_portNumber) +
                                           " konnte nicht ge\xF6"
                                           "ffnet werden!");
    }
}

void DeviceLink::choosePort() {}
void DeviceLink::closePort() {
    m_port.close();
}
bool DeviceLink::isPortOpen() const {
    return m_port.isOpen();
}
int DeviceLink::bytesWaiting() {
    return m_port.bytesWaiting();
}
int DeviceLink::readBytes(std::uint8_t* buffer, int count) {
    return m_port.read(buffer, count);
}
int DeviceLink::writeBytes(const std::uint8_t* buffer, int count) {
    return m_port.write(buffer, count);
}
unsigned DeviceLink::portErrorStatus() {
    return m_port.errorStatus();
}

} // namespace quendar
