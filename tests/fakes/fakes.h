#pragma once
// Small fakes of the window, panel, dialogs and clock for tests of the Qt-free parts.

#include "core/clock.h"
#include "core/ui.h"

#include <array>
#include <deque>
#include <string>
#include <vector>

namespace quendar::test {

/// Keeps the last text of each status line.
class FakeStatusLines final : public StatusLines {
public:
    void setLineText(Line line, std::string_view text) override {
        m_texts[static_cast<std::size_t>(line)] = std::string(text);
        ++writes;
    }
    [[nodiscard]] const std::string& text(Line line) const {
        return m_texts[static_cast<std::size_t>(line)];
    }
    int writes = 0;

private:
    std::array<std::string, 4> m_texts{};
};

/// Toggle states and tooltips of the four buttons; `release` is counted.
class FakeButtons final : public ButtonControls {
public:
    [[nodiscard]] bool isPressed(Button b) const override { return pressed[index(b)]; }
    void release(Button b) override {
        pressed[index(b)] = false;
        ++releases;
    }
    void setTooltip(Button b, std::string_view text) override { tooltips[index(b)] = text; }
    [[nodiscard]] const std::string& tooltip(Button b) const { return tooltips[index(b)]; }
    static std::size_t index(Button b) { return static_cast<std::size_t>(b); }

    std::array<bool, 4> pressed{};
    std::array<std::string, 4> tooltips{};
    int releases = 0;
};

/// Records every call the parts make on the speed panel, as short strings.
class FakePanel final : public PanelControl {
public:
    void showDashes() override {
        calls.emplace_back("showDashes");
        images = {31, 31, 31};
        direction = RunDirection::Off;
    }
    void startRunningLight(RunDirection d) override {
        calls.emplace_back(d == RunDirection::LeftToRight ? "start LeftToRight"
                                                          : "start RightToLeft");
        direction = d;
    }
    void stopRunningLight() override {
        calls.emplace_back("stop");
        direction = RunDirection::Off;
    }
    void setReady(bool r) override {
        calls.emplace_back(r ? "ready true" : "ready false");
        ready = r;
    }
    void showDigitImages(int l, int m, int r) override {
        calls.emplace_back("digits " + std::to_string(l) + " " + std::to_string(m) + " " +
                           std::to_string(r));
        images = {l, m, r};
    }

    std::vector<std::string> calls;
    std::array<int, 3> images{31, 31, 31};
    RunDirection direction = RunDirection::Off;
    bool ready = false;
};

/// Dialogs that answer from scripts and record what they were asked.
class ScriptedDialogs final : public Dialogs {
public:
    struct Shown {
        std::string kind;
        std::string title;
        std::string text;
        std::string preset;
        std::string details;
    };
    void messageBox(std::string_view caption, std::string_view text) override {
        shown.push_back({"message", std::string(caption), std::string(text), {}, {}});
    }
    std::string inputText(std::string_view title, std::string_view prompt, std::string_view preset,
                          std::string_view details = {}) override {
        shown.push_back({"input", std::string(title), std::string(prompt), std::string(preset),
                         std::string(details)});
        return next(inputAnswers);
    }
    std::string saveFileName(std::string_view title, std::string_view filter) override {
        shown.push_back({"save", std::string(title), std::string(filter), {}, {}});
        return next(saveAnswers);
    }

    std::deque<std::string> inputAnswers; ///< "" once exhausted (Escape)
    std::deque<std::string> saveAnswers;  ///< "" once exhausted (cancel)
    std::vector<Shown> shown;

private:
    static std::string next(std::deque<std::string>& answers) {
        if (answers.empty()) {
            return {};
        }
        std::string a = std::move(answers.front());
        answers.pop_front();
        return a;
    }
};

/// A clock that stands still until a test moves it.
class FixedClock final : public Clock {
public:
    explicit FixedClock(DateTime t) : time(t) {}
    [[nodiscard]] DateTime now() const override { return time; }
    DateTime time;
};

} // namespace quendar::test
