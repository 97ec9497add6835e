#pragma once
// The platform's serial port behind a small seam: the Qt adapter in the program, a fake that
// tests feed bytes into.

#include <cstdint>
#include <string>
#include <vector>

namespace quendar {

/// Error and hold conditions a port can report; a bit set, 0 means none.
enum PortError : unsigned {
    PortErrorNone = 0,
    PortErrorReceiveOverflow = 1u << 0, ///< the input queue overflowed
    PortErrorOverrun = 1u << 1,         ///< a character was lost in the hardware
    PortErrorTransmitFull = 1u << 2,    ///< the output queue was full
    PortErrorIo = 1u << 3,              ///< an I/O error (also: device unplugged)
    PortErrorHold = 1u << 4,            ///< the transmitter is held (CTS, DSR, RLSD, XOFF)
    PortErrorEof = 1u << 5,             ///< the end-of-file character was received
};

/// Settings of one open: 19200 baud, 8N1 and no flow control are implied.
struct PortOpenOptions {
    int queueSize = 0; ///< input and output queue size in bytes where the platform has one
};

/// A port the user can choose, as the port dialog lists it.
struct PortDescription {
    int comNumber = 0;       ///< the n of "COM" n that reaches this port
    std::string location;    ///< the device it stands for (path or Windows name), UTF-8
    std::string description; ///< what the system says about it (may be empty), UTF-8
};

/// One serial port. No call blocks beyond the line's write time-out.
class SerialPort {
public:
    virtual ~SerialPort() = default;
    /// Opens the device named "COM<n>" (mapped to the platform's device) exclusively, with the
    /// program's line settings. Returns false and stays closed on any failure.
    [[nodiscard]] virtual bool open(int comNumber, const PortOpenOptions& options) = 0;
    /// Closes the port; does nothing when closed.
    virtual void close() = 0;
    /// True while open.
    [[nodiscard]] virtual bool isOpen() const = 0;
    /// Bytes received and waiting; 0 when closed. Clears the pending error conditions.
    [[nodiscard]] virtual int bytesWaiting() = 0;
    /// Reads up to `count` waiting bytes without waiting for more; returns the number read.
    virtual int read(std::uint8_t* buffer, int count) = 0;
    /// Writes `count` bytes; returns the number written (0 when closed).
    virtual int write(const std::uint8_t* buffer, int count) = 0;
    /// The PortError bits raised since the last bytesWaiting or errorStatus call (then cleared).
    [[nodiscard]] virtual unsigned errorStatus() = 0;
    /// The ports "COM<n>" reaches at the moment, by ascending n; empty where nothing is known.
    [[nodiscard]] virtual std::vector<PortDescription> describePorts() const { return {}; }
};

} // namespace quendar
