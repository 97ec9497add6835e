#pragma once
// A serial port that tests feed bytes into and read what the program wrote.

#include "device/serial_port.h"

#include <deque>
#include <initializer_list>
#include <set>
#include <vector>

namespace quendar::test {

/// In-memory SerialPort: `feed` puts bytes on the line, `written` collects what was sent.
class FakeSerialPort final : public SerialPort {
public:
    struct OpenCall {
        int comNumber;
        int queueSize;
    };

    bool open(int comNumber, const PortOpenOptions& options) override {
        opens.push_back({comNumber, options.queueSize});
        m_open = refused.count(comNumber) == 0;
        return m_open;
    }
    void close() override {
        if (m_open) {
            ++closes;
        }
        m_open = false;
    }
    [[nodiscard]] bool isOpen() const override { return m_open; }
    [[nodiscard]] int bytesWaiting() override {
        if (!m_open) {
            return 0;
        }
        pendingErrors = PortErrorNone; // like ClearCommError: older errors are gone
        return static_cast<int>(m_input.size());
    }
    int read(std::uint8_t* buffer, int count) override {
        if (!m_open) {
            return 0;
        }
        int n = 0;
        while (n < count && !m_input.empty()) {
            buffer[n++] = m_input.front();
            m_input.pop_front();
        }
        pendingErrors |= errorsOnRead;
        return n;
    }
    int write(const std::uint8_t* buffer, int count) override {
        if (!m_open) {
            return 0;
        }
        written.insert(written.end(), buffer, buffer + count);
        return count;
    }
    [[nodiscard]] unsigned errorStatus() override {
        const unsigned e = pendingErrors;
        pendingErrors = PortErrorNone;
        return e;
    }

    /// Puts bytes on the line, to be read by the program.
    void feed(std::initializer_list<std::uint8_t> bytes) {
        m_input.insert(m_input.end(), bytes.begin(), bytes.end());
    }
    void feed(const std::vector<std::uint8_t>& bytes) {
        m_input.insert(m_input.end(), bytes.begin(), bytes.end());
    }
    [[nodiscard]] std::size_t waiting() const { return m_input.size(); }

    std::vector<std::uint8_t> written;      ///< every byte the program sent
    std::vector<OpenCall> opens;            ///< every open attempt
    std::set<int> refused;                  ///< COM numbers that fail to open
    unsigned pendingErrors = PortErrorNone; ///< raised since the last query
    unsigned errorsOnRead = PortErrorNone;  ///< raised again by every read
    int closes = 0;

private:
    bool m_open = false;
    std::deque<std::uint8_t> m_input;
};

} // namespace quendar::test
