#pragma once
// The serial port adapter over QSerialPort. Reads take only bytes already waiting; incoming bytes
// reach the adapter's buffer through the event loop, so nothing here ever waits for the line.

#include "device/serial_port.h"

#include <QSerialPort>

#include <cstdint>

namespace quendar {

/// SerialPort on top of QSerialPort; "COM<n>" is mapped to a device by the port-name lookup.
/// A device that disappears while open (adapter unplugged) is closed once, from the event loop.
class QtSerialPort final : public SerialPort {
public:
    QtSerialPort();
    ~QtSerialPort() override;
    QtSerialPort(const QtSerialPort&) = delete;
    QtSerialPort& operator=(const QtSerialPort&) = delete;

    [[nodiscard]] bool open(int comNumber, const PortOpenOptions& options) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    [[nodiscard]] int bytesWaiting() override;
    int read(std::uint8_t* buffer, int count) override;
    int write(const std::uint8_t* buffer, int count) override;
    [[nodiscard]] unsigned errorStatus() override;
    [[nodiscard]] std::vector<PortDescription> describePorts() const override;

private:
    void onError(QSerialPort::SerialPortError error);
    // Overrun counts the driver added since the last call, as PortError bits.
    unsigned driverErrors();

    QSerialPort m_port;
    unsigned m_errors = PortErrorNone;
    bool m_lost = false; // the device went away; the close is on its way
    bool m_countersKnown = false;
    std::uint32_t m_overruns = 0;
    std::uint32_t m_bufferOverruns = 0;
};

} // namespace quendar
