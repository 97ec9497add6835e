// quendar-sim: plays the speed-measuring device on a pseudo-terminal that the program opens as
// COM<n> through a link in its ports folder. All behaviour lives in SimDevice; this file only
// moves bytes and time between it and the pty.

#include "sim_device.h"
#include "sim_options.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
using namespace quendar::sim;

namespace {

volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void onStopSignal(int signal) {
    g_stopSignal = signal;
}

// A queue nobody drains for this long means no program has the port open; a real line would
// lose those bytes, so the simulator does too instead of handing stale status bytes to the
// next program that opens the port.
constexpr long long kStaleQueueMs = 1000;
// After the last measurement the program needs a moment to read the final bytes.
constexpr long long kLingerMs = 500;
// Longest poll wait, so signals and the stale-queue check are seen promptly.
constexpr int kMaxPollMs = 50;

fs::path portsFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (xdg != nullptr && *xdg != '\0' && fs::path(xdg).is_absolute()) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || *home == '\0') {
            return {}; // the program would not find the link either
        }
        base = fs::path(home) / ".config";
    }
    return base / "quendar" / "ports";
}

long long msSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

std::uint64_t clockSeed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

// Opens the pty pair; the slave stays open for the whole run so the master never sees a hang-up
// while the program closes and reopens the port.
bool openPty(int& master, int& slave, std::string& slaveName) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("quendar-sim: pseudo-terminal");
        return false;
    }
    const char* name = ptsname(master);
    if (name == nullptr) {
        std::perror("quendar-sim: ptsname");
        return false;
    }
    slaveName = name;
    slave = open(name, O_RDWR | O_NOCTTY);
    if (slave < 0) {
        std::perror("quendar-sim: open slave");
        return false;
    }
    termios settings{};
    if (tcgetattr(slave, &settings) != 0) {
        std::perror("quendar-sim: tcgetattr");
        return false;
    }
    cfmakeraw(&settings);
    cfsetispeed(&settings, B19200);
    cfsetospeed(&settings, B19200);
    settings.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(slave, TCSANOW, &settings) != 0) {
        std::perror("quendar-sim: tcsetattr");
        return false;
    }
    const int flags = fcntl(master, F_GETFL);
    if (flags < 0 || fcntl(master, F_SETFL, flags | O_NONBLOCK) != 0) {
        std::perror("quendar-sim: fcntl");
        return false;
    }
    return true;
}

// Links COM<n> to the pty; an existing entry is replaced only if it is a link.
bool createLink(const fs::path& link, const std::string& target) {
    std::error_code error;
    fs::create_directories(link.parent_path(), error);
    if (error) {
        std::fprintf(stderr, "quendar-sim: cannot create %s: %s\n", link.parent_path().c_str(),
                     error.message().c_str());
        return false;
    }
    const fs::file_status status = fs::symlink_status(link, error);
    if (fs::exists(status) && !fs::is_symlink(status)) {
        std::fprintf(stderr, "quendar-sim: %s exists and is not a link; left alone\n",
                     link.c_str());
        return false;
    }
    if (fs::is_symlink(status)) {
        fs::remove(link, error);
    }
    fs::create_symlink(target, link, error);
    if (error) {
        std::fprintf(stderr, "quendar-sim: cannot link %s: %s\n", link.c_str(),
                     error.message().c_str());
        return false;
    }
    return true;
}

// Removes the link unless another simulator has taken it over meanwhile.
void removeLink(const fs::path& link, const std::string& target) {
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(link, error)) &&
        fs::read_symlink(link, error) == target) {
        fs::remove(link, error);
    }
}

void printEvents(SimDevice& device, bool quiet) {
    for (const SimEvent& event : device.takeEvents()) {
        if (quiet) {
            continue;
        }
        std::printf("%9.3f %s\n", static_cast<double>(event.timeMs) / 1000.0,
                    describeEvent(event).c_str());
    }
    std::fflush(stdout);
}

void printSummary(const SimCounters& c) {
    std::printf("quendar-sim: %d measurements, %d good blocks, faults:", c.measurementsEnded,
                c.blocksGood);
    for (int f = 0; f < kFaultCount; ++f) {
        std::printf(" %s %d", faultName(static_cast<Fault>(f)), c.faults[static_cast<size_t>(f)]);
    }
    std::printf("; requests %d (ignored %d), no request %d, cancels %d (runs abandoned %d)\n",
                c.requestsSeen, c.requestsIgnored, c.requestTimeouts, c.cancelsSeen,
                c.runsCancelled);
    std::fflush(stdout);
}

// Watches the slave's input queue to tell whether a program is reading the port.
class ReaderWatch {
public:
    ReaderWatch(int slave, std::string portName, bool quiet)
        : m_slave(slave), m_portName(std::move(portName)), m_quiet(quiet) {}

    void wrote(std::size_t count) { m_written += count; }

    void check(long long nowMs) {
        int queued = 0;
        if (ioctl(m_slave, FIONREAD, &queued) != 0) {
            return;
        }
        const long long expected = m_lastQueued + static_cast<long long>(m_written);
        m_written = 0;
        if (queued < expected) {
            if (m_absent && !m_quiet) {
                std::printf("          (a program reads %s again)\n", m_portName.c_str());
            }
            m_absent = false;
        }
        if (queued == 0 || queued < expected || m_lastQueued == 0) {
            m_since = nowMs;
        }
        m_lastQueued = queued;
        if (queued > 0 && nowMs - m_since > kStaleQueueMs) {
            tcflush(m_slave, TCIFLUSH);
            if (!m_absent && !m_quiet) {
                std::printf("          (no program reads %s: unread bytes are dropped)\n",
                            m_portName.c_str());
            }
            m_absent = true;
            m_lastQueued = 0;
        }
    }

private:
    int m_slave;
    std::string m_portName;
    bool m_quiet;
    bool m_absent = false;
    int m_lastQueued = 0;
    std::size_t m_written = 0;
    long long m_since = 0;
};

} // namespace

int main(int argc, char** argv) {
    const ParsedCommandLine parsed =
        parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "quendar-sim: %s\n", parsed.error.c_str());
        return 2;
    }
    const CommandLine& line = parsed.commandLine;
    if (line.help) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    const std::uint64_t seed = line.seedGiven ? line.seed : clockSeed();

    int master = -1;
    int slave = -1;
    std::string slaveName;
    if (!openPty(master, slave, slaveName)) {
        return 1;
    }
    const std::string portName = "COM" + std::to_string(line.com);
    const fs::path folder = portsFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "quendar-sim: neither XDG_CONFIG_HOME nor HOME is set\n");
        return 1;
    }
    const fs::path link = folder / portName;
    if (!createLink(link, slaveName)) {
        return 1;
    }
    std::printf("quendar-sim: %s -> %s (seed %llu)\n", link.c_str(), slaveName.c_str(),
                static_cast<unsigned long long>(seed));
    std::fflush(stdout);

    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SimDevice device(line.sim, seed);
    ReaderWatch watch(slave, portName, line.quiet);
    std::vector<std::uint8_t> pending;
    const auto start = std::chrono::steady_clock::now();
    long long finishedAt = -1;

    while (g_stopSignal == 0) {
        const long long now = msSince(start);
        const std::vector<std::uint8_t> out =
            device.advance(static_cast<int>(std::min<long long>(now - device.nowMs(), 1 << 30)));
        pending.insert(pending.end(), out.begin(), out.end());
        printEvents(device, line.quiet);

        if (!pending.empty()) {
            const ssize_t written = write(master, pending.data(), pending.size());
            if (written > 0) {
                pending.erase(pending.begin(), pending.begin() + written);
                watch.wrote(static_cast<std::size_t>(written));
            }
        }
        watch.check(now);

        if (device.finished() && pending.empty()) {
            if (finishedAt < 0) {
                finishedAt = now;
            }
            if (now - finishedAt >= kLingerMs) {
                break;
            }
        }

        long long wait = device.msUntilNextEvent();
        if (wait < 0 || wait > kMaxPollMs) {
            wait = kMaxPollMs;
        }
        pollfd fd{master, static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0};
        const int ready = poll(&fd, 1, static_cast<int>(std::max(1LL, wait)));
        if (ready <= 0) {
            continue;
        }
        if ((fd.revents & POLLIN) != 0) {
            std::uint8_t buffer[256];
            const ssize_t count = read(master, buffer, sizeof buffer);
            if (count > 0) {
                // Bytes that arrive together get the time of the read; the device reacts to
                // each one in turn.
                const std::vector<std::uint8_t> due =
                    device.advance(static_cast<int>(msSince(start) - device.nowMs()));
                pending.insert(pending.end(), due.begin(), due.end());
                for (ssize_t i = 0; i < count; ++i) {
                    device.receive(buffer[i]);
                }
            }
        } else if ((fd.revents & (POLLHUP | POLLERR)) != 0) {
            poll(nullptr, 0, kMaxPollMs); // nothing to read until a slave is open again
        }
    }

    printEvents(device, line.quiet);
    removeLink(link, slaveName);
    close(slave);
    close(master);
    if (g_stopSignal != 0) {
        std::printf("quendar-sim: stopped by signal %d\n", static_cast<int>(g_stopSignal));
    }
    printSummary(device.counters());
    return 0;
}
