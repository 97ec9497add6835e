// quendar-soak: runs the whole program in-process against the simulated device on a
// pseudo-terminal, at the simulator's fastest pace with random faults, for a bounded time, and
// checks at the end that every good block was evaluated and logged exactly once and in order,
// every bad one was reported, memory did not grow and no tick was ever missed for long.
//
// Time is compressed: the program's tick is driven from our own timer (default every 10 ms), and
// the device is advanced by 100 ms of simulated time per tick, so both sides see the same ratio
// of ticks to device time as with the real 100 ms timer. The window's own timer ticks are
// swallowed unless --tick-ms 100 is given, in which case they drive the run.
//
// Two further scenarios: --unplug-after N cuts the line in the middle of a block (the device
// vanishes), then plugs a new one in and picks it through the port dialog; --sigterm-after N
// installs the same termination handler as main and raises SIGTERM while logging.

#include "app/platform.h"
#include "app/program.h"
#include "core/evaluation.h"
#include "display/picture_button.h"
#include "sim_device.h"
#include "sim_options.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QTimer>

#include <fcntl.h>
#include <malloc.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using namespace quendar;
using SteadyClock = std::chrono::steady_clock;

namespace {

// One program tick stands for this much device time, as with the real window timer.
constexpr int kSimMsPerTick = 100;
// Ticks the run goes on after the last measurement was let through, so that every time-out and
// every block still on its way has been dealt with.
constexpr int kDrainTicks = 60;
// How long the program may go without a tick before the run counts as hung.
constexpr long long kWatchdogMs = 5000;
// Growth of the resident set between warm-up and end that still counts as "no growth".
constexpr long kMaxGrowthKiB = 2048;
// Growth of the bytes in use on the heap that still counts as noise.
constexpr long kMaxHeapGrowthKiB = 256;
// Bytes of the block that reach the line before the plug is pulled.
constexpr std::size_t kCutAfterBytes = 7;
// Ticks between pulling the plug and plugging a new device in.
constexpr int kUnpluggedTicks = 30;

struct Options {
    int seconds = 60;
    int tickMs = 10;
    double sigtermAfter = -1.0;
    double unplugAfter = -1.0;
    double stallAfter = -1.0;
    bool keep = false;
    bool verbose = false;
    std::uint64_t seed = 0;
    bool seedGiven = false;
    sim::SimOptions sim;
};

const char* const kUsage =
    "usage: quendar-soak [--seconds N] [--seed N] [--tick-ms N] [--sigterm-after S]\n"
    "                    [--unplug-after S] [--keep] [--verbose] [simulator options]\n"
    "  --seconds N        run time in wall-clock seconds (default 60)\n"
    "  --tick-ms N        program tick period in ms (default 10; 100 uses the window's timer)\n"
    "  --sigterm-after S  raise SIGTERM after S seconds, handled as the program's main does\n"
    "  --unplug-after S   pull the plug in the middle of the first good block after S seconds,\n"
    "                     plug a new device in 30 ticks later and pick it in the port dialog\n"
    "  --stall-after S    block the event loop for 6 s after S seconds (tests the watchdog)\n"
    "  --keep             keep the temporary folder with the log\n"
    "  simulator options  as quendar-sim takes them, e.g. --fault-checksum 0.1; the defaults\n"
    "                     are --fastest, random scale and method, 10-1100 km/h and every fault\n";

// The simulator's options for the run: fastest pace, every fault switched on, and speeds up to
// 1100 km/h so that some good blocks are evaluated without a log line.
std::vector<std::string> defaultSimArgs() {
    return {"--fastest", "--scale",       "random", "--method",        "random", "--fault-checksum",
            "0.04",      "--fault-short", "0.03",   "--fault-garbage", "0.03",   "--fault-overflow",
            "0.03",      "--fault-dash",  "0.04",   "--fault-noise",   "0.10",   "--fault-burst",
            "0.05"};
}

bool parseArgs(int argc, char** argv, Options& options) {
    std::vector<std::string> simArgs = defaultSimArgs();
    bool speedsGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "quendar-soak: %s needs a value\n", name);
                return nullptr;
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--seconds") {
            const char* v = value("--seconds");
            if (v == nullptr) {
                return false;
            }
            options.seconds = std::atoi(v);
        } else if (arg == "--tick-ms") {
            const char* v = value("--tick-ms");
            if (v == nullptr) {
                return false;
            }
            options.tickMs = std::atoi(v);
        } else if (arg == "--seed") {
            const char* v = value("--seed");
            if (v == nullptr) {
                return false;
            }
            options.seed = std::strtoull(v, nullptr, 10);
            options.seedGiven = true;
        } else if (arg == "--sigterm-after") {
            const char* v = value("--sigterm-after");
            if (v == nullptr) {
                return false;
            }
            options.sigtermAfter = std::atof(v);
        } else if (arg == "--unplug-after") {
            const char* v = value("--unplug-after");
            if (v == nullptr) {
                return false;
            }
            options.unplugAfter = std::atof(v);
        } else if (arg == "--stall-after") {
            const char* v = value("--stall-after");
            if (v == nullptr) {
                return false;
            }
            options.stallAfter = std::atof(v);
        } else if (arg == "--keep") {
            options.keep = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else {
            speedsGiven = speedsGiven || arg.starts_with("--speeds") || arg == "--random";
            simArgs.push_back(arg);
        }
    }
    if (options.seconds < 1 || options.tickMs < 0 || options.tickMs > 100) {
        std::fputs(kUsage, stderr);
        return false;
    }
    const sim::ParsedCommandLine parsed = sim::parseCommandLine(simArgs);
    if (!parsed.error.empty()) {
        std::fprintf(stderr, "quendar-soak: %s\n", parsed.error.c_str());
        return false;
    }
    options.sim = parsed.commandLine.sim;
    options.sim.count = 0;
    if (!speedsGiven) {
        options.sim.randomMinKmh = 10.0;
        options.sim.randomMaxKmh = 1100.0;
    }
    return true;
}

// Resident set now and its peak, in KiB, from /proc/self/status, and the bytes malloc has handed
// out and not got back. The resident set alone hides a leak until the leak has used up the heap
// memory that was freed during warm-up but stays resident.
struct Memory {
    long rssKiB = 0;
    long hwmKiB = 0;
    long heapKiB = 0;
};

Memory readMemory() {
    Memory memory;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            memory.rssKiB = std::atol(line.c_str() + 6);
        } else if (line.starts_with("VmHWM:")) {
            memory.hwmKiB = std::atol(line.c_str() + 6);
        }
    }
    const struct mallinfo2 heap = mallinfo2();
    memory.heapKiB = static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
    return memory;
}

// The device end of the line: a pseudo-terminal whose slave is linked as COM1 in the program's
// ports folder. We keep a slave descriptor of our own only to see how many bytes still wait
// for the program, and so that the master never reads a hang-up while the program reopens.
class SerialLine {
public:
    explicit SerialLine(fs::path link) : m_link(std::move(link)) {}
    ~SerialLine() { unplug(); }
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    bool plugIn() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            return false;
        }
        const char* name = ptsname(m_master);
        if (name == nullptr) {
            return false;
        }
        const std::string slaveName = name;
        m_slave = open(slaveName.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_slave < 0) {
            return false;
        }
        termios settings{};
        if (tcgetattr(m_slave, &settings) != 0) {
            return false;
        }
        cfmakeraw(&settings);
        cfsetispeed(&settings, B19200);
        cfsetospeed(&settings, B19200);
        settings.c_cflag |= CLOCAL | CREAD;
        if (tcsetattr(m_slave, TCSANOW, &settings) != 0) {
            return false;
        }
        std::error_code error;
        fs::create_directories(m_link.parent_path(), error);
        fs::remove(m_link, error);
        fs::create_symlink(slaveName, m_link, error);
        return !error;
    }

    // The device vanishes: both ends close and the link goes, as when a USB adapter is pulled.
    void unplug() {
        if (m_master >= 0) {
            close(m_master);
        }
        if (m_slave >= 0) {
            close(m_slave);
        }
        m_master = m_slave = -1;
        std::error_code error;
        fs::remove(m_link, error);
    }

    [[nodiscard]] bool pluggedIn() const { return m_master >= 0; }

    // Everything the program has sent so far.
    std::vector<std::uint8_t> readFromProgram() {
        std::vector<std::uint8_t> bytes;
        std::uint8_t buffer[256];
        while (m_master >= 0) {
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    // Writes all bytes; the pty holds far more than one tick's worth, so this never waits long.
    bool writeToProgram(const std::vector<std::uint8_t>& bytes) {
        std::size_t done = 0;
        const auto deadline = SteadyClock::now() + std::chrono::seconds(1);
        while (done < bytes.size() && m_master >= 0) {
            const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (SteadyClock::now() > deadline) {
                return false;
            } else {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        return done == bytes.size();
    }

    // Bytes that reached the slave but not yet the program's input buffer.
    [[nodiscard]] int waitingAtSlave() const {
        int queued = 0;
        if (m_slave < 0 || ioctl(m_slave, FIONREAD, &queued) != 0) {
            return 0;
        }
        return queued;
    }

private:
    fs::path m_link;
    int m_master = -1;
    int m_slave = -1;
};

// Answers the save dialog with the log path and the port dialog with port 1; message boxes are
// counted, since one means the port did not open at start-up.
class SoakDialogs final : public Dialogs {
public:
    explicit SoakDialogs(std::string logPath) : m_logPath(std::move(logPath)) {}
    void messageBox(std::string_view, std::string_view text) override {
        ++messages;
        lastMessage = std::string(text);
    }
    std::string inputText(std::string_view, std::string_view, std::string_view,
                          std::string_view) override {
        ++portDialogs;
        return "1";
    }
    std::string saveFileName(std::string_view, std::string_view) override { return m_logPath; }

    int messages = 0;
    int portDialogs = 0;
    std::string lastMessage;

private:
    std::string m_logPath;
};

// What a block that passes the check byte must produce.
enum class Outcome { Logged, TooFast, Overflow };

struct Expected {
    sim::Block block{};
    Outcome outcome = Outcome::Logged;
    float speedKmh = 0.0f;
};

std::string fixed1(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

// Windows-1252 text made safe for a UTF-8 terminal.
std::string printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || byte < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(byte));
            out += hex;
        } else {
            out += c;
        }
    }
    return out;
}

std::string commas(std::string text) {
    for (char& c : text) {
        if (c == '.') {
            c = ',';
        }
    }
    return text;
}

// Columns 3 to 7 of the log line a block must produce, worked out from the device's side: the
// device's scale row, its own speed for the count, the count times the tick length.
std::string expectedLogFields(const sim::Block& block, float speedKmh) {
    constexpr float kTickMs = 0.09982639f;
    const int distanceMm = 100 * block[3] + 10 * block[4] + block[5];
    const std::uint32_t count = block[6] + 256u * block[7] + 65536u * block[8];
    const auto distanceCm = static_cast<float>(distanceMm / 10.0);
    const auto timeMs = static_cast<float>(count * static_cast<double>(kTickMs));
    return std::string(sim::scaleTable()[block[1]].label) + "\t" +
           std::string(kMethodTable[block[2] != 0 ? 1 : 0]) + "\t" + commas(fixed1(distanceCm)) +
           "\t" + commas(fixed1(timeMs)) + "\t" + commas(fixed1(speedKmh));
}

// Tallies of what went on the line, by kind.
struct LineTally {
    int good = 0;
    int dash = 0;
    int overflow = 0;
    int checksum = 0;
    int shortBlocks = 0;
    int garbage = 0;
    int noise = 0;
    int burst = 0;
    int status = 0;
    int dropped = 0; // events not delivered: line unplugged or run draining
};

struct ProgramTally {
    long long ticks = 0;
    int waits = 0;
    int logged = 0;
    int tooFast = 0;
    int overflow = 0;
    int dash = 0;
    int bogus = 0; // records that were no block the device sent (junk that passed the check)
    int checksumReports = 0;
    int readErrorReports = 0;
    int timeouts = 0;
    int portClosedEnds = 0;
    int screenMismatches = 0;
    std::string firstScreenMismatch;
    int closedTicks = 0;       // ticks that found the port closed
    int closedTextMissing = 0; // of those, ticks whose info line did not say so
};

std::atomic<long long> g_lastTickMs{0};

long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               SteadyClock::now().time_since_epoch())
        .count();
}

// Stands between the window and the program's spine: passes every event on, and turns each tick
// into one step of the device and one tick of the program, watching what the tick did.
class Soak final : public WindowEvents {
public:
    Soak(const Options& options, Program& program, SoakDialogs& dialogs, SerialLine& line,
         fs::path expectedPath)
        : m_options(options), m_program(program), m_dialogs(dialogs), m_line(line),
          m_device(options.sim, options.seed), m_expectedPath(std::move(expectedPath)) {
        m_expectedFile = std::fopen(m_expectedPath.c_str(), "wb");
        m_start = SteadyClock::now();
    }
    ~Soak() override {
        if (m_expectedFile != nullptr) {
            std::fclose(m_expectedFile);
        }
    }
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;

    void onSizeChanged() override { m_program.application().onSizeChanged(); }
    void onButtonClicked(Button button) override {
        m_program.application().onButtonClicked(button);
    }
    void onCloseRequested() override { m_program.application().onCloseRequested(); }
    void onTimer() override {
        if (m_options.tickMs == 100) {
            step();
        }
    }

    // One tick of the whole system.
    void step() {
        if (m_inStep || m_done || m_program.application().isShutDown()) {
            return;
        }
        m_inStep = true;
        const auto stepStart = SteadyClock::now();
        g_lastTickMs = nowMs();
        const double elapsed = secondsSinceStart();

        if (m_options.stallAfter >= 0.0 && elapsed >= m_options.stallAfter && !m_stalled) {
            m_stalled = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(kWatchdogMs + 1000));
        }
        if (m_unplugged && ++m_unpluggedTicks >= kUnpluggedTicks) {
            replug();
        }
        for (const std::uint8_t byte : m_line.readFromProgram()) {
            if (m_holdBack) {
                // The device is no longer heard: any request now answers a junk ResultReady.
                m_heldBackRequests += byte == sim::wire::RequestBlock ? 1 : 0;
            } else {
                m_device.receive(byte);
            }
        }
        if (!m_draining && elapsed >= m_options.seconds) {
            m_draining = true;
        }
        (void)m_device.advance(kSimMsPerTick);
        std::vector<std::uint8_t> out;
        for (const sim::SimEvent& event : m_device.takeEvents()) {
            handleEvent(event, elapsed, out);
        }
        if (!out.empty() && m_line.pluggedIn() && !m_line.writeToProgram(out)) {
            fail("could not write to the pseudo-terminal");
        }
        syncInput();

        if (m_program.application().isShutDown()) {
            // SIGTERM has run the shutdown; a timer event already queued must not count as a
            // tick that found the port closed.
            return;
        }
        const ProtocolState before = m_program.protocol().state();
        m_program.application().onTimer();
        ++m_tally.ticks;
        observe(before, m_program.protocol().state());
        if (!m_program.link().isPortOpen()) {
            ++m_tally.closedTicks;
            const QString info = m_program.window().line(quendar::Line::Info)->text();
            if (info != cp("COM-Schnittstelle 1 konnte nicht ge\xF6"
                           "ffnet werden!")) {
                ++m_tally.closedTextMissing;
            }
        }

        sampleMemory(elapsed);
        const auto stepMs =
            std::chrono::duration<double, std::milli>(SteadyClock::now() - stepStart).count();
        m_maxStepMs = std::max(m_maxStepMs, stepMs);
        if (m_holdBack && ++m_drainTicks >= kDrainTicks &&
            m_program.protocol().state() == ProtocolState::Idle) {
            m_done = true;
            m_endMemory = readMemory();
            QCoreApplication::exit(0);
        }
        m_inStep = false;
    }

    // The checks and the table; true when all pass.
    bool report(bool interrupted, const fs::path& logPath) {
        if (m_expectedFile != nullptr) {
            std::fclose(m_expectedFile);
            m_expectedFile = nullptr;
        }
        if (m_endMemory.rssKiB == 0) {
            m_endMemory = readMemory();
        }
        const sim::SimCounters& c = m_device.counters();
        const auto fault = [&](sim::Fault f) { return c.faults[static_cast<std::size_t>(f)]; };
        const int spurious = c.requestsIgnored + m_heldBackRequests;
        const int badBlocks = m_sent.checksum + m_sent.shortBlocks + m_sent.garbage;
        const int reports = m_tally.checksumReports + m_tally.readErrorReports + m_tally.timeouts;

        std::printf("\nquendar-soak: seed %llu, %.1f s, %lld ticks (every %d ms), longest tick "
                    "%.2f ms\n",
                    static_cast<unsigned long long>(m_options.seed), secondsSinceStart(),
                    m_tally.ticks, m_options.tickMs, m_maxStepMs);
        // The device counts each fault it injects; on the line each block counts once, as the
        // program must take it: a wrong check byte before the overflow flag before the dash flag.
        std::printf("  %-44s %8s %8s\n", "device", "counted", "on line");
        const auto row2 = [](const char* name, long long a, long long b) {
            std::printf("  %-44s %8lld %8lld\n", name, a, b);
        };
        row2("measurements started", c.measurementsStarted, c.measurementsStarted);
        row2("blocks good", c.blocksGood, m_sent.good);
        row2("  with dash flag", fault(sim::Fault::Dash), m_sent.dash);
        row2("  with overflow flag", fault(sim::Fault::Overflow), m_sent.overflow);
        row2("  with wrong check byte", fault(sim::Fault::Checksum), m_sent.checksum);
        row2("  cut short", fault(sim::Fault::Short), m_sent.shortBlocks);
        row2("  replaced by garbage", fault(sim::Fault::Garbage), m_sent.garbage);
        row2("noise runs", fault(sim::Fault::Noise), m_sent.noise);
        row2("status bursts", fault(sim::Fault::Burst), m_sent.burst);
        row2("requests for no result (junk ResultReady)", c.requestsIgnored, c.requestsIgnored);
        row2("results never requested (5 s)", c.requestTimeouts, c.requestTimeouts);
        row2("messages not sent (drain, unplugged)", 0, m_sent.dropped);
        if (m_cuts > 0) {
            row2("blocks cut by pulling the plug", m_cuts, m_cuts);
        }

        std::printf("  %-44s %8s %8s\n", "program", "got", "expected");
        std::vector<std::string> failures;
        const auto check = [&](const char* name, long long got, long long expected, bool ok) {
            std::printf("  %-44s %8lld %8lld  %s\n", name, got, expected, ok ? "ok" : "FAIL");
            if (!ok) {
                failures.push_back(name);
            }
        };
        const int validSent = m_sent.good + m_sent.dash + m_sent.overflow;
        const int evaluated = m_tally.logged + m_tally.tooFast + m_tally.overflow;
        const int unevaluated = static_cast<int>(m_queue.size());
        // Interrupted runs may end with one block on its way and one time-out still running.
        const int slack = interrupted ? 1 : 0;
        check("blocks evaluated (once each, in order)", evaluated, validSent,
              validSent - evaluated <= slack && unevaluated <= slack);
        check("  logged", m_tally.logged, m_loggedExpected, m_tally.logged <= m_loggedExpected);
        check("  too fast, not logged", m_tally.tooFast, m_tooFastExpected,
              m_tally.tooFast <= m_tooFastExpected);
        check("  overflow, not logged", m_tally.overflow, m_sent.overflow,
              m_tally.overflow <= m_sent.overflow);
        check("  dash flag shown", m_tally.dash, m_sent.dash, m_tally.dash <= m_sent.dash);
        check("junk records that passed the check (at most)", m_tally.bogus, spurious,
              m_tally.bogus <= spurious);
        check("reports: Fehler 4 / 1 + Timeout", reports, badBlocks + spurious - m_tally.bogus,
              reports <= badBlocks + spurious - m_tally.bogus &&
                  reports + slack >= badBlocks + spurious - m_tally.bogus);
        std::printf("    (Fehler 4: %d, Fehler 1: %d, Timeout: %d; junk ResultReady from garbage: "
                    "%d)\n",
                    m_tally.checksumReports, m_tally.readErrorReports, m_tally.timeouts, spurious);
        check("waits ended by a closed port", m_tally.portClosedEnds, m_cuts,
              m_tally.portClosedEnds == m_cuts);
        // The port goes within a tick or two of the plug; it stays closed until the new device is
        // picked in the port dialog.
        const int closedLow = m_cuts * (kUnpluggedTicks - 3);
        check("ticks with the port closed, message shown",
              m_tally.closedTicks - m_tally.closedTextMissing, closedLow,
              m_tally.closedTextMissing == 0 && m_tally.closedTicks >= closedLow &&
                  m_tally.closedTicks <= m_cuts * kUnpluggedTicks);
        check("screen speed line as expected", m_tally.screenMismatches, 0,
              m_tally.screenMismatches == 0);
        if (!m_tally.firstScreenMismatch.empty()) {
            std::printf("    first: %s\n", m_tally.firstScreenMismatch.c_str());
        }
        const auto statisticsCount = static_cast<long long>(m_program.statistics().count());
        check("statistics count", statisticsCount, m_tally.logged,
              statisticsCount == m_tally.logged);

        const LogCheck log = checkLog(logPath);
        check("log data lines", log.dataLines, m_tally.logged, log.dataLines == m_tally.logged);
        check("log lines equal to the expected ones", log.matching, m_tally.logged,
              log.matching == m_tally.logged && log.problem.empty());
        if (!log.problem.empty()) {
            std::printf("    %s\n", printable(log.problem).c_str());
        }

        const long growth = m_endMemory.rssKiB - m_baseMemory.rssKiB;
        std::printf("  memory: VmRSS %ld KiB after warm-up (%.0f s), %ld KiB at the end, "
                    "peak sampled %ld KiB, VmHWM %ld KiB\n",
                    m_baseMemory.rssKiB, m_baseAt, m_endMemory.rssKiB, m_peakRssKiB,
                    m_endMemory.hwmKiB);
        const long heapGrowth = m_endMemory.heapKiB - m_baseMemory.heapKiB;
        std::printf("  heap in use: %ld KiB after warm-up, %ld KiB at the end, peak sampled %ld "
                    "KiB\n",
                    m_baseMemory.heapKiB, m_endMemory.heapKiB, m_peakHeapKiB);
        if (m_baseMemory.rssKiB > 0) {
            check("VmRSS growth after warm-up (KiB)", growth, kMaxGrowthKiB,
                  growth <= kMaxGrowthKiB);
            check("heap growth after warm-up (KiB)", heapGrowth, kMaxHeapGrowthKiB,
                  heapGrowth <= kMaxHeapGrowthKiB);
        } else {
            std::printf("  memory growth: not measured (run ended before warm-up)\n");
        }
        if (m_options.sigtermAfter >= 0.0) {
            const bool onTime = interrupted && secondsSinceStart() < m_options.sigtermAfter + 2.0;
            std::printf("  SIGTERM after %.1f s: %s, log %s\n", m_options.sigtermAfter,
                        onTime ? "handled, shutdown ran" : "NOT handled",
                        log.problem.empty() ? "complete with its end line" : "broken");
            if (!onTime) {
                failures.push_back("SIGTERM");
            }
        }
        if (m_dialogs.messages > 0) {
            std::printf("  message box: %s\n", m_dialogs.lastMessage.c_str());
            failures.push_back("message box");
        }
        if (!m_failure.empty()) {
            std::printf("  %s\n", m_failure.c_str());
            failures.push_back(m_failure);
        }
        std::printf("quendar-soak: %s\n", failures.empty() ? "PASS" : "FAIL");
        return failures.empty();
    }

    /// Wall-clock seconds since the run began.
    [[nodiscard]] double secondsSinceStart() const {
        return std::chrono::duration<double>(SteadyClock::now() - m_start).count();
    }

private:
    struct LogCheck {
        int dataLines = 0;
        int matching = 0;
        std::string problem;
    };

    void fail(const std::string& reason) {
        if (m_failure.empty()) {
            m_failure = reason;
        }
    }

    void handleEvent(const sim::SimEvent& event, double elapsed, std::vector<std::uint8_t>& out) {
        if (event.kind == sim::EventKind::Note && event.text.starts_with("measurement ") &&
            m_draining) {
            m_holdBack = true;
        }
        if (event.kind != sim::EventKind::Sent) {
            return;
        }
        if (m_holdBack || !m_line.pluggedIn()) {
            ++m_sent.dropped;
            return;
        }
        const std::vector<std::uint8_t>& bytes = event.bytes;
        const std::string& text = event.text;
        if (text.starts_with("block ") && bytes.size() == sim::kBlockSize) {
            sim::Block block{};
            std::copy(bytes.begin(), bytes.end(), block.begin());
            const bool checkOk = sim::checkByte(block) == block[14];
            const bool overflow = block[9] != 0;
            const bool dash = block[13] != 0;
            if (!checkOk) {
                ++m_sent.checksum;
            } else if (overflow) {
                ++m_sent.overflow;
            } else if (dash) {
                ++m_sent.dash;
            } else {
                ++m_sent.good;
            }
            if (checkOk && !overflow && !dash && m_options.unplugAfter >= 0.0 && m_cuts == 0 &&
                elapsed >= m_options.unplugAfter) {
                // The plug comes out while the block is on the wire.
                out.insert(out.end(), bytes.begin(),
                           bytes.begin() + static_cast<long>(kCutAfterBytes));
                --m_sent.good;
                ++m_cuts;
                (void)m_line.writeToProgram(out);
                out.clear();
                m_line.unplug();
                m_unplugged = true;
                m_unpluggedTicks = 0;
                return;
            }
            if (checkOk) {
                expect(block);
            }
        } else if (text.starts_with("short block ")) {
            ++m_sent.shortBlocks;
        } else if (text.starts_with("garbage ")) {
            ++m_sent.garbage;
        } else if (text.starts_with("noise ")) {
            ++m_sent.noise;
        } else if (text.starts_with("burst ")) {
            ++m_sent.burst;
        } else {
            ++m_sent.status;
        }
        out.insert(out.end(), bytes.begin(), bytes.end());
    }

    void expect(const sim::Block& block) {
        Expected e;
        e.block = block;
        if (block[9] != 0) {
            e.outcome = Outcome::Overflow;
        } else {
            const int distanceMm = 100 * block[3] + 10 * block[4] + block[5];
            const std::uint32_t count = block[6] + 256u * block[7] + 65536u * block[8];
            e.speedKmh = sim::speedForCount(block[1], block[2], distanceMm, count);
            e.outcome = e.speedKmh >= 1000.0f ? Outcome::TooFast : Outcome::Logged;
        }
        if (e.outcome == Outcome::Logged) {
            ++m_loggedExpected;
        } else if (e.outcome == Outcome::TooFast) {
            ++m_tooFastExpected;
        }
        m_queue.push_back(e);
        if (m_queue.size() > 64) {
            fail("blocks pile up without being evaluated");
            m_queue.pop_front();
        }
    }

    // Waits until the bytes just written have left the slave for the program's input buffer, so
    // that the tick sees them: the pty hands them over asynchronously.
    void syncInput() {
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(20);
        bool seen = false;
        for (;;) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            const int waiting = m_line.waitingAtSlave();
            seen = seen || waiting > 0;
            if ((waiting == 0 && seen) || SteadyClock::now() > deadline) {
                return;
            }
            if (waiting == 0 && SteadyClock::now() > deadline - std::chrono::milliseconds(18)) {
                return; // nothing arrived within 2 ms: nothing was on its way
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    }

    static QString cp(std::string_view text) {
        QString s;
        for (const char c : text) {
            s += QChar(static_cast<unsigned char>(c));
        }
        return s;
    }

    void observe(ProtocolState before, ProtocolState after) {
        if (before == ProtocolState::Idle && after == ProtocolState::AwaitingBlock) {
            ++m_tally.waits;
        }
        if (before != ProtocolState::AwaitingBlock || after != ProtocolState::Idle) {
            return;
        }
        const QString info = m_program.window().line(quendar::Line::Info)->text();
        if (info.startsWith(QStringLiteral("Timeout COM"))) {
            ++m_tally.timeouts;
        } else if (info.startsWith(QStringLiteral("Fehler 4 "))) {
            ++m_tally.checksumReports;
        } else if (info.startsWith(QStringLiteral("Fehler 1 "))) {
            ++m_tally.readErrorReports;
        } else if (info.startsWith(QStringLiteral("COM-Schnittstelle "))) {
            ++m_tally.portClosedEnds;
        } else {
            evaluated();
        }
    }

    void evaluated() {
        sim::Block record{};
        const MeasurementRecord& r = m_program.protocol().record();
        std::copy(r.begin(), r.end(), record.begin());
        if (m_queue.empty() || m_queue.front().block != record) {
            ++m_tally.bogus;
            if (m_options.verbose) {
                std::printf("junk record evaluated: %s\n", sim::describeBlock(record).c_str());
            }
            return;
        }
        const Expected e = m_queue.front();
        m_queue.pop_front();
        const QString speedLine = m_program.window().line(quendar::Line::Speed)->text();
        QString wanted;
        switch (e.outcome) {
        case Outcome::Logged:
            ++m_tally.logged;
            wanted = QString::fromStdString("Geschwindigkeit   " + fixed1(e.speedKmh) + "Km/h");
            if (m_expectedFile != nullptr) {
                std::fprintf(m_expectedFile, "%s\n", expectedLogFields(record, e.speedKmh).c_str());
            }
            break;
        case Outcome::TooFast:
            ++m_tally.tooFast;
            wanted = cp("Geschwindigkeit zu gro\xDF!");
            break;
        case Outcome::Overflow:
            ++m_tally.overflow;
            wanted = QStringLiteral("Geschwindigkeit   000.0Km/h");
            break;
        }
        if (record[13] != 0 && record[9] == 0) {
            ++m_tally.dash;
        }
        if (speedLine != wanted) {
            if (m_tally.screenMismatches++ == 0) {
                m_tally.firstScreenMismatch = "\"" + speedLine.toStdString() + "\" instead of \"" +
                                              wanted.toStdString() + "\" for " +
                                              sim::describeBlock(record);
            }
        }
    }

    void replug() {
        m_unplugged = false;
        if (!m_line.plugIn()) {
            fail("could not plug a new pseudo-terminal in");
            return;
        }
        // The user picks the port again; the dialog answers 1.
        m_program.window().button(Button::Port)->click();
        if (!m_program.link().isPortOpen()) {
            fail("the port did not reopen after plugging the device in again");
        }
        std::printf("quendar-soak: device plugged in again after %d ticks, port %s\n",
                    kUnpluggedTicks, m_program.link().isPortOpen() ? "open" : "closed");
    }

    void sampleMemory(double elapsed) {
        const double warmUp = std::max(3.0, m_options.seconds * 0.1);
        if (elapsed - m_lastSample < 1.0) {
            return;
        }
        m_lastSample = elapsed;
        const Memory memory = readMemory();
        if (m_baseMemory.rssKiB == 0 && elapsed >= warmUp) {
            m_baseMemory = memory;
            m_baseAt = elapsed;
        }
        if (m_baseMemory.rssKiB != 0) {
            m_peakRssKiB = std::max(m_peakRssKiB, memory.rssKiB);
            m_peakHeapKiB = std::max(m_peakHeapKiB, memory.heapKiB);
        }
        if (m_options.verbose) {
            std::printf("%6.1f s  VmRSS %ld KiB  heap %ld KiB  ticks %lld  logged %d\n", elapsed,
                        memory.rssKiB, memory.heapKiB, m_tally.ticks, m_tally.logged);
            std::fflush(stdout);
        }
    }

    LogCheck checkLog(const fs::path& path) const {
        LogCheck result;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            result.problem = "log file cannot be read";
            return result;
        }
        std::stringstream buffer;
        buffer << in.rdbuf();
        const std::string text = buffer.str();
        std::vector<std::string> lines;
        std::size_t pos = 0;
        while (pos < text.size()) {
            const std::size_t end = text.find("\r\n", pos);
            if (end == std::string::npos) {
                result.problem = "last line does not end with CR LF";
                return result;
            }
            lines.push_back(text.substr(pos, end - pos));
            pos = end + 2;
        }
        const std::string startPrefix = "Tavrilo Start der Messwert-Speicherung: ";
        const std::string endPrefix = "Tavrilo Ende der Messwert-Speicherung:  ";
        if (lines.size() < 3 || !lines.front().starts_with(startPrefix)) {
            result.problem = "no start line";
            return result;
        }
        if (!lines.back().starts_with(endPrefix) || lines.back().size() != endPrefix.size() + 20) {
            result.problem = "no end line";
            return result;
        }
        std::ifstream expected(m_expectedPath, std::ios::binary);
        std::string wanted;
        for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
            const std::string& line = lines[i];
            ++result.dataLines;
            std::size_t tabs[6];
            std::size_t from = 0;
            bool shape = true;
            for (std::size_t& tab : tabs) {
                tab = line.find('\t', from);
                shape = shape && tab != std::string::npos;
                from = tab + 1;
            }
            shape = shape && line.find('\t', from) == std::string::npos && tabs[0] == 10 &&
                    tabs[1] == 19 && line[2] == '.' && line[5] == '.' && line[13] == ':' &&
                    line[16] == ':' && line.find('\n') == std::string::npos &&
                    line.find('\r') == std::string::npos;
            if (!shape) {
                if (result.problem.empty()) {
                    result.problem = "malformed data line " + std::to_string(i + 1);
                }
                continue;
            }
            if (!std::getline(expected, wanted)) {
                if (result.problem.empty()) {
                    result.problem =
                        "more data lines than expected, from line " + std::to_string(i + 1);
                }
                continue;
            }
            if (line.substr(tabs[1] + 1) == wanted) {
                ++result.matching;
            } else if (result.problem.empty()) {
                result.problem = "line " + std::to_string(i + 1) + " is \"" +
                                 line.substr(tabs[1] + 1) + "\", expected \"" + wanted + "\"";
            }
        }
        if (result.problem.empty() && std::getline(expected, wanted)) {
            result.problem = "fewer data lines than expected";
        }
        return result;
    }

    const Options& m_options;
    Program& m_program;
    SoakDialogs& m_dialogs;
    SerialLine& m_line;
    sim::SimDevice m_device;
    fs::path m_expectedPath;
    std::FILE* m_expectedFile = nullptr;
    SteadyClock::time_point m_start;

    bool m_inStep = false;
    bool m_done = false;
    bool m_draining = false;
    bool m_holdBack = false;
    int m_drainTicks = 0;
    int m_heldBackRequests = 0;
    bool m_unplugged = false;
    int m_unpluggedTicks = 0;
    int m_cuts = 0;
    bool m_stalled = false;

    std::deque<Expected> m_queue;
    int m_loggedExpected = 0;
    int m_tooFastExpected = 0;
    LineTally m_sent;
    ProgramTally m_tally;
    double m_maxStepMs = 0.0;
    std::string m_failure;

    double m_lastSample = 0.0;
    Memory m_baseMemory;
    double m_baseAt = 0.0;
    Memory m_endMemory;
    long m_peakRssKiB = 0;
    long m_peakHeapKiB = 0;
};

std::uint64_t clockSeed() {
    std::random_device device;
    return (static_cast<std::uint64_t>(device()) << 32) ^ device();
}

fs::path makeTempFolder() {
    std::string pattern = (fs::temp_directory_path() / "quendar-soak-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseArgs(argc, argv, options)) {
        return 2;
    }
    if (!options.seedGiven) {
        options.seed = clockSeed();
    }
    const fs::path folder = makeTempFolder();
    if (folder.empty()) {
        std::perror("quendar-soak: temp folder");
        return 2;
    }
    // The program finds COM1 through its ports folder under XDG_CONFIG_HOME.
    setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const fs::path logPath = folder / "soak.log";

    SerialLine line(folder / "config" / "quendar" / "ports" / "COM1");
    if (!line.plugIn()) {
        std::perror("quendar-soak: pseudo-terminal");
        return 2;
    }

    QApplication app(argc, argv);
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));

    SoakDialogs dialogs(logPath.string());
    ProgramOptions programOptions;
    programOptions.assetsDir = QStringLiteral(QUENDAR_ASSETS_DIR);
    programOptions.configPath = folder / "cnf.dat";
    programOptions.dialogs = &dialogs;
    Program program(programOptions);

    std::printf("quendar-soak: seed %llu, %d s, tick every %d ms, folder %s\n",
                static_cast<unsigned long long>(options.seed), options.seconds, options.tickMs,
                folder.c_str());
    std::fflush(stdout);

    Soak soak(options, program, dialogs, line, folder / "expected.txt");
    program.window().setEventHandler(&soak);
    bool interrupted = false;
    if (options.sigtermAfter >= 0.0) {
        installTerminationHandler([&program, &interrupted] {
            interrupted = true;
            program.application().onCloseRequested();
        });
    }
    program.startUp();
    if (!program.link().isPortOpen()) {
        std::fprintf(stderr, "quendar-soak: the program did not open COM1\n");
        return 1;
    }
    program.window().button(Button::Statistics)->click();
    program.window().button(Button::Log)->click();
    if (!program.log().isOpen() || !program.statistics().isOn()) {
        std::fprintf(stderr, "quendar-soak: logging or statistics did not switch on\n");
        return 1;
    }

    // Nothing may stop the ticks for long: a watchdog outside the event loop ends the run.
    std::atomic<bool> running{true};
    g_lastTickMs = nowMs();
    std::thread watchdog([&running] {
        while (running) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const long long quiet = nowMs() - g_lastTickMs;
            if (running && quiet > kWatchdogMs) {
                std::fprintf(stderr, "quendar-soak: FAIL: no tick for %lld ms, the program hangs\n",
                             quiet);
                std::fflush(stderr);
                _exit(3);
            }
        }
    });

    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    if (options.tickMs != 100) {
        QObject::connect(&ticker, &QTimer::timeout, [&soak] { soak.step(); });
        ticker.start(options.tickMs);
    }
    if (options.sigtermAfter >= 0.0) {
        QTimer::singleShot(static_cast<int>(options.sigtermAfter * 1000.0),
                           [] { std::raise(SIGTERM); });
    }
    QApplication::exec();
    ticker.stop();
    running = false;
    watchdog.join();

    // The window's close as the user would do it; after SIGTERM it has run already.
    program.application().onCloseRequested();
    const bool ok = soak.report(interrupted, logPath);
    if (!options.keep && ok) {
        std::error_code error;
        fs::remove_all(folder, error);
    } else {
        std::printf("quendar-soak: kept %s\n", folder.c_str());
    }
    return ok ? 0 : 1;
}
