#include "device/qt_serial_port.h"

namespace quendar {

QtSerialPort::QtSerialPort() = default;

QtSerialPort::~QtSerialPort() {
    close();
}

// Placeholder until the device work lands: "COM<n>" used as it stands.
bool QtSerialPort::open(int comNumber, const PortOpenOptions&) {
    m_port.setPortName(QStringLiteral("COM%1").arg(comNumber));
    return m_port.open(QIODevice::ReadWrite);
}

void QtSerialPort::close() {
    if (m_port.isOpen()) {
        m_port.close();
    }
}

bool QtSerialPort::isOpen() const {
    return m_port.isOpen();
}

int QtSerialPort::bytesWaiting() {
    if (!m_port.isOpen()) {
        return 0;
    }
    m_port.waitForReadyRead(0);
    return static_cast<int>(m_port.bytesAvailable());
}

int QtSerialPort::read(std::uint8_t* buffer, int count) {
    if (!m_port.isOpen()) {
        return 0;
    }
    return static_cast<int>(m_port.read(reinterpret_cast<char*>(buffer), count));
}

int QtSerialPort::write(const std::uint8_t* buffer, int count) {
    if (!m_port.isOpen()) {
        return 0;
    }
    return static_cast<int>(m_port.write(reinterpret_cast<const char*>(buffer), count));
}

unsigned QtSerialPort::errorStatus() {
    const unsigned errors = m_errors;
    m_errors = PortErrorNone;
    return errors;
}

} // namespace quendar
