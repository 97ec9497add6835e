#include "device/qt_serial_port.h"

#include "device/port_names.h"

#include <QMetaObject>

#include <algorithm>
#include <climits>

#ifdef __linux__
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

namespace quendar {
namespace {

constexpr qint32 kBaudRate = 19200;

} // namespace

QtSerialPort::QtSerialPort() {
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError error) { onError(error); });
}

QtSerialPort::~QtSerialPort() {
    close();
}

bool QtSerialPort::open(int comNumber, const PortOpenOptions& options) {
    close();
    const std::string device = deviceForComNumber(comNumber);
    if (device.empty()) {
        return false;
    }
    m_port.setPortName(QString::fromStdString(device));
    // Qt keeps its own input buffer; capped at the queue size it stands in for the driver's
    // input queue, and the rest waits in the kernel. Output has no such cap.
    m_port.setReadBufferSize(std::max(options.queueSize, 0));
    if (!m_port.open(QIODevice::ReadWrite)) {
        return false;
    }
    if (!m_port.setBaudRate(kBaudRate) || !m_port.setDataBits(QSerialPort::Data8) ||
        !m_port.setParity(QSerialPort::NoParity) || !m_port.setStopBits(QSerialPort::OneStop) ||
        !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
        m_port.close();
        return false;
    }
    // Pseudo-terminals and some adapters have no modem lines and refuse this; the line works
    // without it.
    (void)m_port.setRequestToSend(false);
    m_lost = false;
    m_errors = PortErrorNone;
    m_countersKnown = false;
    (void)driverErrors();
    return true;
}

void QtSerialPort::close() {
    m_lost = false;
    m_errors = PortErrorNone;
    if (m_port.isOpen()) {
        m_port.close();
    }
}

bool QtSerialPort::isOpen() const {
    return m_port.isOpen() && !m_lost;
}

int QtSerialPort::bytesWaiting() {
    if (!isOpen()) {
        return 0;
    }
    (void)driverErrors();
    m_errors = PortErrorNone;
    return static_cast<int>(std::min<qint64>(m_port.bytesAvailable(), INT_MAX));
}

int QtSerialPort::read(std::uint8_t* buffer, int count) {
    if (!isOpen() || count <= 0) {
        return 0;
    }
    const qint64 n = m_port.read(reinterpret_cast<char*>(buffer), count);
    return n > 0 ? static_cast<int>(n) : 0;
}

int QtSerialPort::write(const std::uint8_t* buffer, int count) {
    if (!isOpen() || count <= 0) {
        return 0;
    }
    const qint64 n = m_port.write(reinterpret_cast<const char*>(buffer), count);
    // Hand the bytes to the driver now rather than at the next turn of the event loop; the
    // descriptor is non-blocking, so this never waits for the line.
    (void)m_port.flush();
    return n > 0 ? static_cast<int>(n) : 0;
}

unsigned QtSerialPort::errorStatus() {
    if (isOpen()) {
        m_errors |= driverErrors();
    }
    const unsigned errors = m_errors;
    m_errors = PortErrorNone;
    return errors;
}

std::vector<PortDescription> QtSerialPort::describePorts() const {
    return describeComPorts(portLinkFolder(), systemSerialDevices());
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        m_errors |= PortErrorIo;
        break;
    case QSerialPort::ResourceError:
        m_errors |= PortErrorIo;
        if (m_port.isOpen() && !m_lost) {
            // The device is gone. Qt has stopped watching it; close it once, but not from inside
            // the port's own notification.
            m_lost = true;
            QMetaObject::invokeMethod(
                &m_port,
                [this] {
                    if (m_lost) {
                        close();
                    }
                },
                Qt::QueuedConnection);
        }
        break;
    default:
        // Open failures are told by open()'s result; time-outs and refused settings such as
        // RTS on a pseudo-terminal are no line errors.
        break;
    }
}

unsigned QtSerialPort::driverErrors() {
#ifdef __linux__
    serial_icounter_struct counts{};
    if (!m_port.isOpen() || ::ioctl(m_port.handle(), TIOCGICOUNT, &counts) != 0) {
        m_countersKnown = false;
        return PortErrorNone;
    }
    unsigned errors = PortErrorNone;
    if (m_countersKnown) {
        // The counters only grow; any change since the last look is a new overrun.
        if (static_cast<std::uint32_t>(counts.overrun) != m_overruns) {
            errors |= PortErrorOverrun;
        }
        if (static_cast<std::uint32_t>(counts.buf_overrun) != m_bufferOverruns) {
            errors |= PortErrorReceiveOverflow;
        }
    }
    m_countersKnown = true;
    m_overruns = static_cast<std::uint32_t>(counts.overrun);
    m_bufferOverruns = static_cast<std::uint32_t>(counts.buf_overrun);
    return errors;
#else
    return PortErrorNone;
#endif
}

} // namespace quendar
