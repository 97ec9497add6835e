#pragma once
// The measuring device's end of a serial line, played on the master side of a pseudo-terminal
// (Unix only). The program opens the slave side through a COM<n> link in its port folder.

#ifndef _WIN32

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quendar::test {

/// A pseudo-terminal whose master side plays the device. The slave is opened and closed once at
/// creation, so that `slaveOpen` tells from the start whether anyone holds the program's side.
class PtyDevice {
public:
    PtyDevice() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
            closeMaster();
            return;
        }
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        const char* slave = ::ptsname(m_master);
        if (slave == nullptr) {
            closeMaster();
            return;
        }
        m_slave = slave;
        const int fd = ::open(m_slave.c_str(), O_RDWR | O_NOCTTY);
        if (fd >= 0) {
            ::close(fd);
        }
    }
    ~PtyDevice() { closeMaster(); }
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    /// True when the pseudo-terminal could be made.
    [[nodiscard]] bool valid() const { return m_master >= 0 && !m_slave.empty(); }
    /// The slave device, e.g. "/dev/pts/4".
    [[nodiscard]] const std::string& slavePath() const { return m_slave; }

    /// Links `folder`/COM<n> to the slave; false if that fails.
    [[nodiscard]] bool linkAs(const std::filesystem::path& folder, int n) const {
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        std::filesystem::create_symlink(m_slave, folder / ("COM" + std::to_string(n)), error);
        return !error;
    }

    /// Sends bytes to the program; false if they could not all go out within a few seconds.
    bool send(const std::vector<std::uint8_t>& bytes) const {
        std::size_t done = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        return done == bytes.size();
    }

    /// Takes every byte the program has sent so far. With `graceMs` > 0 it waits up to that long
    /// for the first byte to arrive.
    std::vector<std::uint8_t> received(int graceMs = 0) const {
        std::vector<std::uint8_t> bytes;
        if (graceMs > 0) {
            pollfd p{m_master, POLLIN, 0};
            (void)::poll(&p, 1, graceMs);
        }
        std::uint8_t buffer[256];
        ssize_t n = 0;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    /// True while some process holds the slave side open.
    [[nodiscard]] bool slaveOpen() const {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, 0) < 0) {
            return false;
        }
        return (p.revents & POLLHUP) == 0;
    }

private:
    void closeMaster() {
        if (m_master >= 0) {
            ::close(m_master);
        }
        m_master = -1;
    }

    int m_master = -1;
    std::string m_slave;
};

} // namespace quendar::test

#endif
