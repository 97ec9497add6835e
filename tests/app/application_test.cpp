// The spine: start-up and shutdown order, button dispatch, the tick sequence and the relayout
// countdown, against recording fakes of every part.

#include "core/application.h"
#include "fakes/fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quendar {
namespace {

using Journal = std::vector<std::string>;

struct RecWindow final : WindowPart {
    explicit RecWindow(Journal& j) : journal(j) {}
    void openMainWindow() override { journal.push_back("openMainWindow"); }
    int innerWidth() const override { return width; }
    void startTimer() override { journal.push_back("startTimer"); }
    void buildControls() override { journal.push_back("buildControls"); }
    void showButtons() override { journal.push_back("showButtons"); }
    void closeMainWindow() override { journal.push_back("closeMainWindow"); }
    Journal& journal;
    int width = 385;
};

struct RecPanel final : PanelPart {
    explicit RecPanel(Journal& j) : journal(j) {}
    void createFields() override { journal.push_back("createFields"); }
    void relayout() override { journal.push_back("relayout"); }
    void tick() override { journal.push_back("tick"); }
    Journal& journal;
};

struct RecLink final : LinkPart {
    explicit RecLink(Journal& j) : journal(j) {}
    void loadPortConfig() override { journal.push_back("loadPortConfig"); }
    void openPortAtStartup() override { journal.push_back("openPortAtStartup"); }
    void choosePort() override { journal.push_back("choosePort"); }
    void closePort() override { journal.push_back("closePort"); }
    Journal& journal;
};

struct RecProtocol final : ProtocolPart {
    explicit RecProtocol(Journal& j) : journal(j) {}
    void protocolStep() override { journal.push_back("protocolStep"); }
    void sendCancel() override { journal.push_back("sendCancel"); }
    Journal& journal;
};

struct RecLog final : LogPart {
    explicit RecLog(Journal& j) : journal(j) {}
    void onLogButton(bool pressed) override {
        journal.push_back(pressed ? "onLogButton on" : "onLogButton off");
    }
    void stopLogging() override { journal.push_back("stopLogging"); }
    Journal& journal;
};

struct RecStatistics final : StatisticsPart {
    explicit RecStatistics(Journal& j) : journal(j) {}
    void toggleStatistics(bool pressed) override {
        journal.push_back(pressed ? "toggleStatistics on" : "toggleStatistics off");
    }
    Journal& journal;
};

class ApplicationTest : public ::testing::Test {
protected:
    Journal journal;
    RecWindow window{journal};
    test::FakeButtons buttons;
    RecPanel panel{journal};
    RecLink link{journal};
    RecProtocol protocol{journal};
    RecLog log{journal};
    RecStatistics statistics{journal};
    Application app{Parts{window, buttons, panel, link, protocol, log, statistics}};

    void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            app.onTimer();
        }
    }
    int relayouts() const {
        return static_cast<int>(std::count(journal.begin(), journal.end(), "relayout"));
    }
};

TEST_F(ApplicationTest, StartUpRunsItsStepsInOrder) {
    app.startUp();
    EXPECT_EQ(journal, (Journal{"openMainWindow", "loadPortConfig", "startTimer", "createFields",
                                "buildControls", "relayout", "showButtons", "openPortAtStartup"}));
    EXPECT_EQ(app.storedWidth(), 385);
    EXPECT_EQ(app.relayoutCountdown(), 0);
}

TEST_F(ApplicationTest, ShutdownStopsLoggingThenClosesPortThenWindowOnce) {
    app.startUp();
    journal.clear();
    app.onCloseRequested();
    app.onCloseRequested();
    app.onTimer();
    EXPECT_EQ(journal, (Journal{"stopLogging", "closePort", "closeMainWindow"}));
    EXPECT_TRUE(app.isShutDown());
}

TEST_F(ApplicationTest, ButtonsGoToTheirPartsWithTheStateAfterTheClick) {
    app.startUp();
    journal.clear();
    app.onButtonClicked(Button::Port);
    buttons.pressed[test::FakeButtons::index(Button::Log)] = true;
    app.onButtonClicked(Button::Log);
    buttons.pressed[test::FakeButtons::index(Button::Log)] = false;
    app.onButtonClicked(Button::Log);
    buttons.pressed[test::FakeButtons::index(Button::Statistics)] = true;
    app.onButtonClicked(Button::Statistics);
    app.onButtonClicked(Button::Cancel);
    EXPECT_EQ(journal, (Journal{"choosePort", "onLogButton on", "onLogButton off",
                                "toggleStatistics on", "sendCancel"}));
}

TEST_F(ApplicationTest, EachTickStepsProtocolThenCountdownThenPanel) {
    app.startUp();
    journal.clear();
    ticks(5);
    EXPECT_EQ(journal,
              (Journal{"protocolStep", "tick", "protocolStep", "tick", "protocolStep", "tick",
                       "protocolStep", "tick", "protocolStep", "relayout", "tick"}));
    EXPECT_EQ(app.relayoutCountdown(), Application::kCountdownIdle);
}

// Each case: a script of width changes (a width, or 0 for "a tick") and the relayouts expected.
struct CountdownCase {
    const char* name;
    std::vector<int> script;
    int expectedRelayouts;
};

class CountdownTest : public ApplicationTest,
                      public ::testing::WithParamInterface<CountdownCase> {};

TEST_P(CountdownTest, RelayoutsFollowTheLastWidthChange) {
    app.startUp();
    ticks(6); // the one relayout after start-up
    journal.clear();
    for (const int step : GetParam().script) {
        if (step == 0) {
            app.onTimer();
        } else {
            window.width = step;
            app.onSizeChanged();
        }
    }
    EXPECT_EQ(relayouts(), GetParam().expectedRelayouts);
}

std::vector<int> drag() {
    std::vector<int> s;
    for (int w = 390; w < 700; w += 10) { // a new width every tick for three seconds
        s.push_back(w);
        s.push_back(0);
    }
    s.insert(s.end(), {0, 0, 0, 0});
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Script, CountdownTest,
    ::testing::Values(
        CountdownCase{"DragForSecondsThenOne", drag(), 1},
        CountdownCase{"DragStoppedFourTicksAgo", {500, 0, 0, 0, 0}, 0},
        CountdownCase{"MaximiseThenRestore", {1920, 0, 0, 0, 0, 0, 0, 385, 0, 0, 0, 0, 0}, 2},
        CountdownCase{"HeightOnly", {385, 0, 0, 0, 0, 0, 0, 0}, 0},
        CountdownCase{"MinimiseAndRestoreSameWidth", {385, 0, 0, 385, 0, 0, 0, 0, 0}, 0},
        CountdownCase{
            "ChangeBackWithinCountdownStillRelayouts", {500, 0, 0, 385, 0, 0, 0, 0, 0}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ApplicationTest, OneRelayoutFiveTicksAfterStartUpThenIdle) {
    app.startUp();
    journal.clear();
    ticks(4);
    EXPECT_EQ(relayouts(), 0);
    ticks(1);
    EXPECT_EQ(relayouts(), 1);
    ticks(50);
    EXPECT_EQ(relayouts(), 1);
}

} // namespace
} // namespace quendar
