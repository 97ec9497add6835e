#include "device/device_link.h"

#include "core/format.h"
#include "core/text.h"
#include "device/port_config.h"

#include <algorithm>
#include <optional>

namespace quendar {
namespace {

constexpr int kStartupQueueSize = 255;
constexpr int kDialogQueueSize = 1024;
constexpr std::int32_t kFirstPort = 1;
constexpr std::int32_t kLastPort = 99;

std::string notOpenedText(std::int32_t portNumber) {
    return "COM-Schnittstelle " + formatInteger(portNumber) +
           " konnte nicht ge\xF6"
           "ffnet werden!";
}

} // namespace

std::string portListText(const std::vector<PortDescription>& ports) {
    if (ports.empty()) {
        return {};
    }
    std::string text = "Gefundene Schnittstellen:";
    for (const PortDescription& port : ports) {
        std::string name = "COM" + formatInteger(port.comNumber);
        name.resize(std::max<std::size_t>(name.size(), 6), ' ');
        text += "\n" + name + utf8ToCp1252(port.location);
        if (!port.description.empty()) {
            text += "  " + utf8ToCp1252(port.description);
        }
    }
    return text;
}

DeviceLink::DeviceLink(SerialPort& port, Dialogs& dialogs, StatusLines& lines, PanelControl& panel,
                       std::filesystem::path configPath)
    : m_port(port), m_dialogs(dialogs), m_lines(lines), m_panel(panel),
      m_configPath(std::move(configPath)) {}

void DeviceLink::loadPortConfig() {
    const std::optional<PortConfig> config = readPortConfig(m_configPath);
    if (!config) {
        m_portNumber = 1;
        m_reserved = 0;
        savePortConfig();
        return;
    }
    // Taken as it stands: a port 0 or 100 simply fails to open until the dialog is used.
    m_portNumber = config->portNumber;
    m_reserved = config->reserved;
}

void DeviceLink::savePortConfig() {
    (void)writePortConfig(m_configPath, PortConfig{m_portNumber, m_reserved});
}

void DeviceLink::openPort(int queueSize) {
    (void)m_port.open(m_portNumber, PortOpenOptions{queueSize});
}

void DeviceLink::openPortAtStartup() {
    openPort(kStartupQueueSize);
    if (!m_port.isOpen()) {
        m_dialogs.messageBox("Fehler", "Die " + notOpenedText(m_portNumber));
    }
}

void DeviceLink::choosePort() {
    closePort();
    const std::string answer =
        m_dialogs.inputText("Schnittstelle w\xE4"
                            "hlen",
                            "Nummer der seriellen COM-Schnittstelle:", formatInteger(m_portNumber),
                            portListText(m_port.describePorts()));
    m_portNumber = readConfigNumber(answer);
    if (m_portNumber < kFirstPort || m_portNumber > kLastPort) {
        m_portNumber = kFirstPort;
    }
    // Stored before opening, so the choice survives even when the port does not open.
    savePortConfig();
    openPort(kDialogQueueSize);
    m_panel.showDashes();
    m_lines.setLineText(Line::Info, m_port.isOpen() ? std::string() : notOpenedText(m_portNumber));
    m_lines.setLineText(Line::Measure, "");
    m_lines.setLineText(Line::Speed, "");
}

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
