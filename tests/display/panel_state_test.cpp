// The running light and digit images of the speed panel, tick by tick, without any widgets.

#include "display/panel_state.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace quendar {
namespace {

using Images = std::array<int, 3>;

// A script of calls: L/R start the light left-to-right/right-to-left, S stops it, D shows
// dashes, N shows the digits (11, 12, 13), t ticks; after each t the next expected images are
// compared.
struct Case {
    const char* name;
    int initialCounter; // reached by running and stopping a light before the script
    std::string_view script;
    std::vector<Images> afterTicks;
};

const Images kLeft{31, 32, 32};
const Images kMiddle{32, 31, 32};
const Images kRight{32, 32, 31};
const Images kDashes{31, 31, 31};

const Case kCases[] = {
    {"LeftToRightFromZero",
     0,
     "Lttttttttt",
     {kLeft, kLeft, kMiddle, kMiddle, kMiddle, kRight, kRight, kRight, kLeft}},
    {"RightToLeftFromZero",
     0,
     "Rtttttttt",
     {kRight, kRight, kMiddle, kMiddle, kMiddle, kLeft, kLeft, kLeft}},
    {"RightToLeftWithCounterAtTwoStepsAtOnce", 2, "Rttt", {kMiddle, kMiddle, kMiddle}},
    {"LeftToRightWithCounterAtOneStepsOnSecondTick", 1, "Ltt", {kLeft, kMiddle}},
    {"StopInTheMiddleThenDashes",
     0,
     "LtttSttttDt",
     {kLeft, kLeft, kMiddle, kMiddle, kMiddle, kMiddle, kMiddle, kDashes}},
    {"DigitsKeepRunning",
     0,
     "LtNtttt",
     {kLeft, {11, 12, 13}, {13, 11, 12}, {13, 11, 12}, {13, 11, 12}}},
    {"SecondStartReplacesPatternAndDirection",
     0,
     "LtttRttt",
     {kLeft, kLeft, kMiddle, kRight, kRight, kMiddle}},
    {"NoLightCounterKeeps", 0, "Nttt", {{11, 12, 13}, {11, 12, 13}, {11, 12, 13}}},
};

class RunningLightTest : public ::testing::TestWithParam<Case> {};

TEST_P(RunningLightTest, ShowsExpectedImagesAfterEachTick) {
    const Case& c = GetParam();
    PanelState state;
    ASSERT_EQ(state.digitFieldImages(), kDashes);
    state.startRunningLight(RunDirection::LeftToRight);
    for (int i = 0; i < c.initialCounter; ++i) {
        state.tick();
    }
    state.showDashes();
    ASSERT_EQ(state.stepCounter(), c.initialCounter);

    std::size_t tick = 0;
    for (const char op : c.script) {
        switch (op) {
        case 'L':
            state.startRunningLight(RunDirection::LeftToRight);
            break;
        case 'R':
            state.startRunningLight(RunDirection::RightToLeft);
            break;
        case 'S':
            state.stopRunningLight();
            break;
        case 'D':
            state.showDashes();
            break;
        case 'N':
            state.showDigitImages(11, 12, 13);
            break;
        case 't':
            state.tick();
            ASSERT_LT(tick, c.afterTicks.size());
            EXPECT_EQ(state.digitFieldImages(), c.afterTicks[tick]) << "after tick " << tick + 1;
            ++tick;
            break;
        default:
            FAIL() << "bad script";
        }
    }
    EXPECT_EQ(tick, c.afterTicks.size());
}

INSTANTIATE_TEST_SUITE_P(Scripts, RunningLightTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PanelStateTest, CounterStaysBetweenZeroAndTwoAndSurvivesStopAndDashes) {
    PanelState state;
    state.startRunningLight(RunDirection::RightToLeft);
    for (int i = 1; i <= 7; ++i) {
        state.tick();
        EXPECT_EQ(state.stepCounter(), i % 3);
    }
    state.stopRunningLight();
    state.tick();
    state.showDashes();
    state.tick();
    EXPECT_EQ(state.stepCounter(), 1);
    EXPECT_EQ(state.runDirection(), RunDirection::Off);
}

TEST(PanelStateTest, ReadySelectsUnitPicture) {
    PanelState state;
    EXPECT_EQ(state.unitImage(), kUnitImage);
    state.setReady(true);
    EXPECT_EQ(state.unitImage(), kUnitReadyImage);
    state.showDashes();
    EXPECT_TRUE(state.ready());
}

TEST(PanelStateTest, OnlyTheFourteenNumbersHavePictures) {
    for (int n = -1; n <= 40; ++n) {
        const bool expected = (n >= 10 && n <= 19) || (n >= 30 && n <= 33);
        EXPECT_EQ(pictureSlot(n) >= 0, expected) << n;
        if (expected) {
            EXPECT_EQ(kPanelPictures[static_cast<std::size_t>(pictureSlot(n))].number, n);
        }
    }
}

} // namespace
} // namespace quendar
