#pragma once
// The one serial connection to the device: port number, the settings file "cnf.dat", opening
// with the program's line settings, and the port dialog.

#include "core/parts.h"
#include "core/ui.h"
#include "device/serial_port.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quendar {

/// What the device protocol needs of the link.
class LinkIo {
public:
    virtual ~LinkIo() = default;
    /// True while the port is open.
    [[nodiscard]] virtual bool isPortOpen() const = 0;
    /// Bytes waiting; 0 when closed. Clears pending error conditions.
    [[nodiscard]] virtual int bytesWaiting() = 0;
    /// Reads up to `count` waiting bytes; 0 when closed.
    virtual int readBytes(std::uint8_t* buffer, int count) = 0;
    /// Writes `count` bytes; 0 when closed.
    virtual int writeBytes(const std::uint8_t* buffer, int count) = 0;
    /// PortError bits since the last query; 0 means no error.
    [[nodiscard]] virtual unsigned portErrorStatus() = 0;
    /// The COM port number in use.
    [[nodiscard]] virtual int portNumber() const = 0;
};

/// The port dialog's list of the ports found (Windows-1252, lines split by LF); empty when
/// there are none.
[[nodiscard]] std::string portListText(const std::vector<PortDescription>& ports);

/// The device link with its settings file and port dialog.
class DeviceLink final : public LinkPart, public LinkIo {
public:
    /// All references must outlive the link; `configPath` is "cnf.dat" in the program.
    DeviceLink(SerialPort& port, Dialogs& dialogs, StatusLines& lines, PanelControl& panel,
               std::filesystem::path configPath = "cnf.dat");

    void loadPortConfig() override;
    void openPortAtStartup() override;
    void choosePort() override;
    void closePort() override;

    [[nodiscard]] bool isPortOpen() const override;
    [[nodiscard]] int bytesWaiting() override;
    int readBytes(std::uint8_t* buffer, int count) override;
    int writeBytes(const std::uint8_t* buffer, int count) override;
    [[nodiscard]] unsigned portErrorStatus() override;
    [[nodiscard]] int portNumber() const override { return m_portNumber; }

    /// Writes "cnf.dat" with the port number and the reserved value.
    void savePortConfig();
    /// Opens the port with queues of `queueSize` bytes; the port is open or closed afterwards.
    void openPort(int queueSize);
    /// The second, unused value of "cnf.dat", kept and written back.
    [[nodiscard]] std::int32_t reserved() const { return m_reserved; }

private:
    SerialPort& m_port;
    Dialogs& m_dialogs;
    StatusLines& m_lines;
    PanelControl& m_panel;
    std::filesystem::path m_configPath;
    std::int32_t m_portNumber = 1;
    std::int32_t m_reserved = 0;
};

} // namespace quendar
