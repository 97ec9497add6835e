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

    /// Opens the device "COM<n>" maps to at 19200 baud, 8N1, no flow control, RTS off, with Qt's
    /// input buffer capped at the queue size; false and closed if the device or a setting fails.
    [[nodiscard]] bool open(int comNumber, const PortOpenOptions& options) override;
    /// Closes the port; does nothing when closed.
    void close() override;
    /// True while open and the device has not gone away.
    [[nodiscard]] bool isOpen() const override;
    /// Bytes already in the input buffer; clears pending errors. Never waits.
    [[nodiscard]] int bytesWaiting() override;
    /// Takes up to `count` buffered bytes. Never waits.
    int read(std::uint8_t* buffer, int count) override;
    /// Queues the bytes and hands them to the driver without waiting for the line.
    int write(const std::uint8_t* buffer, int count) override;
    /// Read, write and resource errors Qt raised, and driver overrun counts that grew, since the
    /// last call or byte count.
    [[nodiscard]] unsigned errorStatus() override;
    /// Every COM number from 1 to 99 that reaches a device now.
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
