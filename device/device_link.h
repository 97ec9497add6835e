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

    /// Takes both values from "cnf.dat" unchecked; a file that does not open gives port 1,
    /// reserved 0, and is written at once. Never shows a message.
    void loadPortConfig() override;
    /// Opens with 255-byte queues; a port that does not open gets the "Fehler" message box.
    void openPortAtStartup() override;
    /// Closes the port, asks for the number (1 to 99, else 1), stores it, reopens with 1024-byte
    /// queues and reports the outcome in the info line.
    void choosePort() override;
    /// Closes the port if it is open.
    void closePort() override;

    /// True while the port is open.
    [[nodiscard]] bool isPortOpen() const override;
    /// Bytes waiting; 0 when closed. Clears the port's pending error conditions.
    [[nodiscard]] int bytesWaiting() override;
    /// Reads up to `count` waiting bytes; 0 when closed.
    int readBytes(std::uint8_t* buffer, int count) override;
    /// Writes `count` bytes; 0 when closed.
    int writeBytes(const std::uint8_t* buffer, int count) override;
    /// PortError bits raised since the last query or byte count; 0 means no error.
    [[nodiscard]] unsigned portErrorStatus() override;
    /// The n of "COM" n, as loaded or chosen.
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
