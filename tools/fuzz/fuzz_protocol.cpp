// Fuzzes the device protocol through the real device link, evaluation, statistics and log: the
// input is a script of line bytes, ticks, cancels, port closes and reopens, line errors and
// button presses. After every tick the outcome is checked against a small model of the state
// machine: what was read, what was sent, the state and its tick counter; the status lines and
// the log must never hold a non-finite or out-of-range number.

#include "core/evaluation.h"
#include "core/statistics.h"
#include "device/device_link.h"
#include "device/protocol.h"
#include "display/panel_state.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fakes.h"
#include "fuzz_common.h"
#include "log/measurement_log.h"

#include <cmath>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace quendar::fuzz {
namespace {

using test::FakeButtons;
using test::FakeSerialPort;
using test::FakeStatusLines;
using test::FixedClock;
using test::ScriptedDialogs;

constexpr std::uint8_t kRequestBlock = 105;
constexpr std::uint8_t kCancel = 151;
constexpr std::uint8_t kResultReady = 170;
constexpr int kBlock = DeviceProtocol::kBlockSize;

constexpr std::string_view kSpeedPrefix = "Geschwindigkeit   ";
constexpr std::string_view kKmh = "Km/h";

// QUENDAR_FUZZ_TRACE=1 prints every tick's outcome, for reading a crash input by hand.
bool trace() {
    static const bool on = std::getenv("QUENDAR_FUZZ_TRACE") != nullptr;
    return on;
}

bool hasNonFiniteText(std::string_view text) {
    for (std::string_view bad : {"NaN", "nan", "Inf", "inf"}) {
        if (text.find(bad) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// Digits, one separator and exactly `decimals` digits after it.
bool isFixedNumber(std::string_view text, char separator, int decimals) {
    const std::size_t point = text.find(separator);
    if (point == std::string_view::npos || point == 0 ||
        text.size() - point - 1 != static_cast<std::size_t>(decimals)) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != point && (text[i] < '0' || text[i] > '9')) {
            return false;
        }
    }
    return true;
}

// The speed line holds one of its fixed forms or a speed from 0 to below 1000 with one decimal.
// Returns true for a shown speed.
bool checkSpeedLine(std::string_view text) {
    FUZZ_CHECK(!hasNonFiniteText(text));
    if (text.empty() || text == "Geschwindigkeit   ---.-Km/h" ||
        text == "Geschwindigkeit zu gro\xDF!" || text == "Geschwindigkeit   000.0Km/h") {
        return false;
    }
    FUZZ_CHECK(text.substr(0, kSpeedPrefix.size()) == kSpeedPrefix);
    FUZZ_CHECK(text.size() > kSpeedPrefix.size() + kKmh.size());
    FUZZ_CHECK(text.substr(text.size() - kKmh.size()) == kKmh);
    const std::string_view number =
        text.substr(kSpeedPrefix.size(), text.size() - kSpeedPrefix.size() - kKmh.size());
    FUZZ_CHECK(isFixedNumber(number, '.', 1));
    FUZZ_CHECK(std::strtod(std::string(number).c_str(), nullptr) < 1000.0);
    return true;
}

std::vector<std::string> splitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        FUZZ_CHECK(end != std::string::npos); // every line ends with CR LF
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// A finished log: start line, header, `dataLines` data lines with three numbers each, end line.
void checkLogFile(const std::filesystem::path& path, int dataLines) {
    std::ifstream in(path, std::ios::binary);
    FUZZ_CHECK(in.good());
    std::ostringstream all;
    all << in.rdbuf();
    const std::vector<std::string> lines = splitCrLf(all.str());
    FUZZ_CHECK(lines.size() == static_cast<std::size_t>(dataLines) + 3);
    for (std::size_t i = 2; i + 1 < lines.size(); ++i) {
        FUZZ_CHECK(!hasNonFiniteText(lines[i]));
        std::vector<std::string> columns;
        std::istringstream fields(lines[i]);
        for (std::string column; std::getline(fields, column, '\t');) {
            columns.push_back(column);
        }
        FUZZ_CHECK(columns.size() == 7);
        for (std::size_t c = 4; c < 7; ++c) {
            FUZZ_CHECK(isFixedNumber(columns[c], ',', 1));
        }
    }
}

// The panel's real state behind the seam the protocol and evaluation talk to; the Qt panel
// forwards to the same object.
class StatePanel final : public PanelControl {
public:
    void showDashes() override { state.showDashes(); }
    void startRunningLight(RunDirection direction) override { state.startRunningLight(direction); }
    void stopRunningLight() override { state.stopRunningLight(); }
    void setReady(bool ready) override { state.setReady(ready); }
    void showDigitImages(int left, int middle, int right) override {
        state.showDigitImages(left, middle, right);
    }

    // The panel's tick at the end of a timer tick; every number shown names its picture or
    // none, so a wild digit from the device leaves a field empty instead of reading past a slot.
    void tick() {
        state.tick();
        FUZZ_CHECK(state.stepCounter() >= 0 && state.stepCounter() < PanelState::kTicksPerStep);
        for (const int number : state.digitFieldImages()) {
            const int slot = pictureSlot(number);
            FUZZ_CHECK(slot >= -1 && slot < static_cast<int>(kPanelPictures.size()));
            FUZZ_CHECK(slot < 0 || kPanelPictures[static_cast<std::size_t>(slot)].number == number);
        }
        FUZZ_CHECK(pictureSlot(state.unitImage()) >= 0);
    }

    PanelState state;
};

// Everything one run needs, built afresh per input so runs do not depend on each other.
struct Rig {
    Rig() : configPath(scratchDir() / "cnf.dat"), logPath((scratchDir() / "fuzz.log").string()) {
        link.openPort(255);
    }

    std::filesystem::path configPath;
    std::string logPath;
    FakeSerialPort port;
    ScriptedDialogs dialogs;
    FakeStatusLines lines;
    StatePanel panel;
    FakeButtons buttons;
    FixedClock clock{DateTime{2024, 2, 29, 23, 59, 58}};
    MeasurementLog log{dialogs, buttons, clock};
    RunningStatistics statistics{lines, buttons};
    Evaluator evaluator{lines, panel, log, statistics};
    DeviceLink link{port, dialogs, lines, panel, configPath};
    DeviceProtocol protocol{link, evaluator, lines, panel};

    std::deque<std::uint8_t> line; // mirror of the bytes waiting in the port
    int expectedDataLines = 0;
    bool logged = false; // a log file was opened during this run

    void feed(const std::vector<std::uint8_t>& bytes) {
        port.feed(bytes);
        line.insert(line.end(), bytes.begin(), bytes.end());
    }
    void consume(std::size_t n) {
        FUZZ_CHECK(n <= line.size());
        line.erase(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(n));
        FUZZ_CHECK(line.size() == port.waiting());
    }

    void step();
    void cancel();
    void checkTexts();
};

void Rig::step() {
    const bool open = port.isOpen();
    const ProtocolState before = protocol.state();
    const int ticksBefore = protocol.waitTicks();
    const std::size_t sentBefore = port.written.size();
    const std::size_t waiting = port.waiting();
    const bool readError = port.errorsOnRead != PortErrorNone;
    const float countBefore = statistics.count();
    // The reaction to a ResultReady is the only thing that sends; nothing else may.
    bool expectRequest = false;
    bool expectEvaluation = false;

    protocol.protocolStep();
    panel.tick();

    FUZZ_CHECK(protocol.state() == ProtocolState::Idle ||
               protocol.state() == ProtocolState::AwaitingBlock);
    FUZZ_CHECK(protocol.waitTicks() >= 0 &&
               protocol.waitTicks() <= DeviceProtocol::kMaxWaitTicks + 1);
    if (protocol.state() == ProtocolState::AwaitingBlock) {
        FUZZ_CHECK(protocol.waitTicks() <= DeviceProtocol::kMaxWaitTicks);
    }

    if (!open) {
        FUZZ_CHECK(protocol.state() == ProtocolState::Idle);
        FUZZ_CHECK(protocol.waitTicks() == ticksBefore);
        consume(0);
        FUZZ_CHECK(lines.text(Line::Info)
                       .find("konnte nicht ge\xF6"
                             "ffnet werden!") != std::string::npos);
        FUZZ_CHECK(lines.text(Line::Speed).empty());
    } else if (before == ProtocolState::Idle) {
        if (waiting == 0) {
            FUZZ_CHECK(protocol.state() == ProtocolState::Idle);
            consume(0);
        } else {
            const std::uint8_t byte = line.front();
            consume(1);
            expectRequest = byte == kResultReady && !readError;
            FUZZ_CHECK(protocol.state() ==
                       (expectRequest ? ProtocolState::AwaitingBlock : ProtocolState::Idle));
            FUZZ_CHECK(protocol.waitTicks() == (expectRequest ? 0 : ticksBefore));
        }
    } else if (waiting < static_cast<std::size_t>(kBlock)) {
        FUZZ_CHECK(protocol.waitTicks() == ticksBefore + 1);
        if (ticksBefore + 1 > DeviceProtocol::kMaxWaitTicks) {
            FUZZ_CHECK(protocol.state() == ProtocolState::Idle);
            consume(waiting);
            FUZZ_CHECK(lines.text(Line::Info) == "Timeout COM-Schnittstelle!");
        } else {
            FUZZ_CHECK(protocol.state() == ProtocolState::AwaitingBlock);
            consume(0);
        }
    } else {
        std::uint8_t check = 0;
        for (int i = 0; i < kBlock - 1; ++i) {
            check ^= line[static_cast<std::size_t>(i)];
        }
        const bool checkOk = check == line[kBlock - 1];
        if (!readError) {
            for (int i = 0; i < kBlock; ++i) {
                FUZZ_CHECK(protocol.record()[static_cast<std::size_t>(i)] ==
                           line[static_cast<std::size_t>(i)]);
            }
        }
        consume(kBlock);
        FUZZ_CHECK(protocol.state() == ProtocolState::Idle);
        FUZZ_CHECK(protocol.waitTicks() == ticksBefore);
        if (readError) {
            FUZZ_CHECK(lines.text(Line::Info) == "Fehler 1 COM-Schnittstelle!");
        } else if (!checkOk) {
            FUZZ_CHECK(lines.text(Line::Info) == "Fehler 4 COM-Schnittstelle!");
        } else {
            expectEvaluation = true;
        }
    }

    const std::vector<std::uint8_t> sent(
        port.written.begin() + static_cast<std::ptrdiff_t>(sentBefore), port.written.end());
    FUZZ_CHECK(sent == (expectRequest ? std::vector<std::uint8_t>{kRequestBlock}
                                      : std::vector<std::uint8_t>{}));

    checkTexts();
    const bool speedShown = checkSpeedLine(lines.text(Line::Speed));
    if (trace()) {
        std::fprintf(stderr, "step: state %d ticks %d sent %zu | %s | %s | %s | %s\n",
                     static_cast<int>(protocol.state()), protocol.waitTicks(), sent.size(),
                     lines.text(Line::Info).c_str(), lines.text(Line::Measure).c_str(),
                     lines.text(Line::Statistics).c_str(), lines.text(Line::Speed).c_str());
    }
    if (!expectEvaluation) {
        FUZZ_CHECK(statistics.count() == countBefore);
        return;
    }
    // A shown speed is exactly what gets logged and counted.
    FUZZ_CHECK(statistics.count() == countBefore + (speedShown && statistics.isOn() ? 1.0f : 0.0f));
    if (speedShown && log.isOpen()) {
        ++expectedDataLines;
    }
}

void Rig::cancel() {
    const std::size_t sentBefore = port.written.size();
    const ProtocolState before = protocol.state();
    const int ticksBefore = protocol.waitTicks();
    protocol.sendCancel();
    FUZZ_CHECK(port.written.size() == sentBefore + (port.isOpen() ? 1 : 0));
    if (port.isOpen()) {
        FUZZ_CHECK(port.written.back() == kCancel);
    }
    FUZZ_CHECK(protocol.state() == before && protocol.waitTicks() == ticksBefore);
    consume(0);
}

void Rig::checkTexts() {
    FUZZ_CHECK(!hasNonFiniteText(lines.text(Line::Info)));
    FUZZ_CHECK(!hasNonFiniteText(lines.text(Line::Measure)));
    FUZZ_CHECK(!hasNonFiniteText(lines.text(Line::Statistics)));
    if (statistics.isOn() && statistics.count() > 0.0f) {
        FUZZ_CHECK(std::isfinite(statistics.mean()));
        FUZZ_CHECK(statistics.min() <= statistics.mean() && statistics.mean() <= statistics.max());
        FUZZ_CHECK(statistics.min() >= 0.0f && statistics.max() < 1000.0f);
    }
}

void run(ByteReader& in) {
    Rig rig;
    while (!in.done()) {
        const std::uint8_t op = in.next();
        switch (op % 16) {
        case 0:
        case 1:
        case 2:
            rig.step();
            break;
        case 3: { // a burst of ticks, enough to run into the time-out
            const int n = in.next() % 32;
            for (int i = 0; i < n; ++i) {
                rig.step();
            }
            break;
        }
        case 4: { // raw bytes on the line
            std::vector<std::uint8_t> bytes(in.next() % 24 + 1);
            for (std::uint8_t& b : bytes) {
                b = in.next();
            }
            rig.feed(bytes);
            break;
        }
        case 5:
        case 6: { // a block with its right check byte (the fuzzer rarely guesses the XOR)
            std::vector<std::uint8_t> block(kBlock);
            std::uint8_t check = 0;
            for (int i = 0; i < kBlock - 1; ++i) {
                block[static_cast<std::size_t>(i)] = in.next();
                check ^= block[static_cast<std::size_t>(i)];
            }
            block[kBlock - 1] = check;
            rig.feed(block);
            break;
        }
        case 7: // one status byte
            rig.feed({static_cast<std::uint8_t>(167 + in.next() % 5)});
            break;
        case 8:
            rig.cancel();
            break;
        case 9:
            rig.link.closePort();
            break;
        case 10: { // reopen, or fail to
            const bool refuse = (in.next() & 1) != 0;
            rig.port.refused.clear();
            if (refuse) {
                rig.port.refused.insert(rig.link.portNumber());
            }
            rig.link.openPort(255);
            break;
        }
        case 11: { // the port dialog with a typed entry; the protocol state is left alone
            const ProtocolState before = rig.protocol.state();
            const int ticksBefore = rig.protocol.waitTicks();
            std::string entry(in.next() % 6, ' ');
            for (char& c : entry) {
                c = static_cast<char>(in.next());
            }
            rig.dialogs.inputAnswers.push_back(entry);
            rig.link.choosePort();
            FUZZ_CHECK(rig.link.portNumber() >= 1 && rig.link.portNumber() <= 99);
            FUZZ_CHECK(rig.protocol.state() == before && rig.protocol.waitTicks() == ticksBefore);
            break;
        }
        case 12: // line errors: raised once, or by every read
            rig.port.pendingErrors = in.next() & 0x3F;
            rig.port.errorsOnRead = (in.next() & 1) != 0 ? 1u << (in.next() % 6) : PortErrorNone;
            break;
        case 13: {
            const bool pressed = !rig.buttons.pressed[FakeButtons::index(Button::Statistics)];
            rig.buttons.pressed[FakeButtons::index(Button::Statistics)] = pressed;
            rig.statistics.toggleStatistics(pressed);
            rig.checkTexts();
            break;
        }
        case 14: { // the log button: a new file, or the end of the current one
            const std::size_t index = FakeButtons::index(Button::Log);
            const bool pressed = !rig.buttons.pressed[index];
            rig.buttons.pressed[index] = pressed;
            if (pressed) {
                rig.dialogs.saveAnswers.push_back(rig.logPath);
                rig.log.onLogButton(true);
                FUZZ_CHECK(rig.log.isOpen());
                rig.expectedDataLines = 0;
                rig.logged = true;
            } else {
                rig.log.onLogButton(false);
                checkLogFile(rig.logPath, rig.expectedDataLines);
            }
            break;
        }
        default: // a tick with the line cleared first, so the next bytes start afresh
            rig.port.errorsOnRead = PortErrorNone;
            rig.step();
            break;
        }
    }
    if (rig.log.isOpen()) {
        rig.log.stopLogging();
        checkLogFile(rig.logPath, rig.expectedDataLines);
    }
}

} // namespace
} // namespace quendar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quendar::fuzz::ByteReader in(data, size);
    quendar::fuzz::run(in);
    return 0;
}
