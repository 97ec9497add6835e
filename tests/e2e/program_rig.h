#pragma once
// The whole program in a test: the real Program with its window, panel, QtSerialPort and timer,
// run in a fresh working folder whose port folder links COM<n> to a pseudo-terminal that the test
// plays as the device. Only the dialogs and the clock are scripted. A pass-through observer
// between the window and the spine notes what the program shows at the end of every tick.

#include "app/program.h"
#include "display/picture_button.h"
#include "display/qt_text.h"
#include "fakes/fakes.h"
#include "fakes/pty_device.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quendar::e2e {

/// How long a wait may take before the test gives up; far above anything a healthy run needs.
inline constexpr int kDeadlineMs = 20000;

/// The screen form of a Windows-1252 program text.
inline QString screenText(std::string_view cp1252) {
    return qStringFromCp1252(cp1252);
}

/// The whole content of a file as bytes; empty when it cannot be read.
inline std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Writes `bytes` as the whole file.
inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

/// Dialogs answering from a script; a hook may run before each dialog "closes", as if the user
/// sat in front of it.
class HookedDialogs final : public Dialogs {
public:
    void messageBox(std::string_view caption, std::string_view text) override {
        if (beforeMessageBox) {
            beforeMessageBox();
        }
        script.messageBox(caption, text);
    }
    std::string inputText(std::string_view title, std::string_view prompt, std::string_view preset,
                          std::string_view details = {}) override {
        if (beforeInput) {
            beforeInput();
        }
        return script.inputText(title, prompt, preset, details);
    }
    std::string saveFileName(std::string_view title, std::string_view filter) override {
        if (beforeSave) {
            beforeSave();
        }
        return script.saveFileName(title, filter);
    }

    test::ScriptedDialogs script;
    std::function<void()> beforeMessageBox;
    std::function<void()> beforeInput;
    std::function<void()> beforeSave;
};

/// A clock that stands still until the test moves it, and runs a probe at every reading (the log
/// reads it for each line it writes).
class ProbeClock final : public Clock {
public:
    [[nodiscard]] DateTime now() const override {
        if (onRead) {
            onRead();
        }
        return time;
    }
    DateTime time{2013, 5, 3, 9, 7, 5};
    std::function<void()> onRead;
};

/// What the program shows and did at the end of one tick.
struct TickSnapshot {
    ProtocolState state = ProtocolState::Idle;
    RunDirection direction = RunDirection::Off;
    std::array<int, 3> images{};
    /// Each digit field shows the picture of its image number (a number without one: nothing).
    bool fieldsShowTheirPictures = false;
    QString info;
    QString measure;
    QString statistics;
    QString speed;
    std::vector<std::uint8_t> sent; ///< bytes the device received during this tick
    std::string log;                ///< the log file's content (if a log path is set)
};

/// The program on a pseudo-terminal in a temporary working folder.
class ProgramRig final : public WindowEvents {
public:
    /// Makes the working folder and its port folder and links the device as COM<`comNumber`>;
    /// `cnf` is the content of cnf.dat (nullopt: no file).
    explicit ProgramRig(int comNumber, std::optional<std::string> cnf) {
        m_savedCwd = QDir::currentPath();
        const char* xdg = std::getenv("XDG_CONFIG_HOME");
        m_savedXdg = xdg != nullptr ? std::optional<std::string>(xdg) : std::nullopt;
        m_ok = m_dir.isValid() && device.valid();
        if (!m_ok) {
            return;
        }
        ::setenv("XDG_CONFIG_HOME", root().c_str(), 1);
        m_ok = QDir::setCurrent(m_dir.path()) && device.linkAs(portsFolder(), comNumber);
        if (cnf) {
            writeFile(root() / "cnf.dat", *cnf);
        }
    }
    ~ProgramRig() override {
        program.reset();
        QDir::setCurrent(m_savedCwd);
        if (m_savedXdg) {
            ::setenv("XDG_CONFIG_HOME", m_savedXdg->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }
    ProgramRig(const ProgramRig&) = delete;
    ProgramRig& operator=(const ProgramRig&) = delete;

    /// True when folder, pseudo-terminal and link are in place.
    [[nodiscard]] bool ready() const { return m_ok; }
    /// The working folder (also XDG_CONFIG_HOME).
    [[nodiscard]] std::filesystem::path root() const {
        return std::filesystem::path(m_dir.path().toStdString());
    }
    /// Where COM<n> links live.
    [[nodiscard]] std::filesystem::path portsFolder() const { return root() / "quendar" / "ports"; }

    /// Builds the program as main does (real window, timer and serial port) and runs its start-up.
    void start() {
        ProgramOptions options;
        options.assetsDir = QStringLiteral(QUENDAR_ASSETS_DIR);
        options.dialogs = &dialogs;
        options.clock = &clock;
        program = std::make_unique<Program>(options);
        program->window().setEventHandler(this);
        program->startUp();
    }

    /// Clicks a button as the user does.
    void click(Button button) {
        QTest::mouseClick(program->window().button(button), Qt::LeftButton);
    }
    /// The screen text of a status line.
    [[nodiscard]] QString line(Line which) const { return program->window().line(which)->text(); }

    /// Index of the first tick at or after `from` whose snapshot satisfies `test`, or -1.
    [[nodiscard]] int findTick(const std::function<bool(const TickSnapshot&)>& test,
                               int from = 0) const {
        for (int i = std::max(from, 0); i < static_cast<int>(ticks.size()); ++i) {
            if (test(ticks[static_cast<std::size_t>(i)])) {
                return i;
            }
        }
        return -1;
    }
    /// Lets the real timer run until a tick at or after `from` satisfies `test`; its index or -1.
    int waitForTick(const std::function<bool(const TickSnapshot&)>& test, int from = 0) {
        int found = findTick(test, from);
        const QDeadlineTimer deadline(kDeadlineMs);
        while (found < 0 && !deadline.hasExpired()) {
            QTest::qWait(10);
            found = findTick(test, from);
        }
        return found;
    }
    /// Index the next tick will have.
    [[nodiscard]] int nextTick() const { return static_cast<int>(ticks.size()); }
    /// Every byte the device has received, in all ticks and outside them.
    [[nodiscard]] std::vector<std::uint8_t> allSent() const {
        std::vector<std::uint8_t> all;
        for (const TickSnapshot& t : ticks) {
            all.insert(all.end(), t.sent.begin(), t.sent.end());
        }
        all.insert(all.end(), sentOutsideTicks.begin(), sentOutsideTicks.end());
        return all;
    }
    /// Takes what the device received outside a tick (after a click), waiting up to `graceMs`.
    std::vector<std::uint8_t> takeSent(int graceMs) {
        std::vector<std::uint8_t> bytes = device.received(graceMs);
        sentOutsideTicks.insert(sentOutsideTicks.end(), bytes.begin(), bytes.end());
        return bytes;
    }

    // WindowEvents: hand everything to the spine unchanged; note the end of every tick.
    void onSizeChanged() override { program->application().onSizeChanged(); }
    void onButtonClicked(Button button) override { program->application().onButtonClicked(button); }
    void onCloseRequested() override { program->application().onCloseRequested(); }
    void onTimer() override {
        const ProtocolState before = program->protocol().state();
        program->application().onTimer();
        ticks.push_back(snapshot(before));
    }

    test::PtyDevice device;
    HookedDialogs dialogs;
    ProbeClock clock;
    std::unique_ptr<Program> program;
    std::vector<TickSnapshot> ticks;
    std::vector<std::uint8_t> sentOutsideTicks;
    std::optional<std::filesystem::path> logPath; ///< read into every snapshot when set

private:
    TickSnapshot snapshot(ProtocolState before) {
        TickSnapshot s;
        SpeedPanel& panel = program->panel();
        s.state = program->protocol().state();
        s.direction = panel.runDirection();
        s.images = panel.digitFieldImages();
        s.fieldsShowTheirPictures = true;
        for (int i = 0; i < 3; ++i) {
            const QPixmap shown = panel.digitField(i)->pixmap();
            const QPixmap wanted = panel.picture(s.images[static_cast<std::size_t>(i)]);
            if (shown.isNull() != wanted.isNull() ||
                (!wanted.isNull() && shown.toImage() != wanted.toImage())) {
                s.fieldsShowTheirPictures = false;
            }
        }
        s.info = line(Line::Info);
        s.measure = line(Line::Measure);
        s.statistics = line(Line::Statistics);
        s.speed = line(Line::Speed);
        // A request written in this tick is on the line before any later tick can run; give the
        // kernel a moment to pass it across the pseudo-terminal.
        const bool requested = before == ProtocolState::Idle && s.state != before;
        s.sent = device.received(requested ? 2000 : 0);
        if (logPath) {
            s.log = fileBytes(*logPath);
        }
        return s;
    }

    QTemporaryDir m_dir;
    QString m_savedCwd;
    std::optional<std::string> m_savedXdg;
    bool m_ok = false;
};

/// The start line, header and data line texts of the log for the fixed clock's dates.
inline std::string logStart(const std::string& date, const std::string& time) {
    return "Tavrilo Start der Messwert-Speicherung: " + date + "  " + time + "\r\n";
}
inline std::string logEnd(const std::string& date, const std::string& time) {
    return "Tavrilo Ende der Messwert-Speicherung:  " + date + "  " + time + "\r\n";
}
inline const std::string kLogHeader = "Datum\tZeit\tMa\xDF"
                                      "stab\tMessmethode\tMessstrecke in cm\tMesszeit in ms\t"
                                      "Geschwindigkeit in Km/h\r\n";

} // namespace quendar::e2e
