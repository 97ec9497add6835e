#pragma once
// The serial port adapter over QSerialPort. Reads take only bytes already waiting.

#include "device/serial_port.h"

#include <QSerialPort>

namespace quendar {

/// SerialPort on top of QSerialPort; "COM<n>" is mapped to a device by the port-name lookup.
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

private:
    QSerialPort m_port;
    unsigned m_errors = PortErrorNone;
};

} // namespace quendar
