// Running statistics: switching on and off, the placeholder line, minimum/mean/maximum in single
// precision (the worked example through the real evaluation), rejected measurements, and
// independence from the measurement log.

#include "core/evaluation.h"
#include "core/statistics.h"
#include "fakes/fakes.h"
#include "log/measurement_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

namespace quendar {
namespace {

using test::FakeButtons;
using test::FakePanel;
using test::FakeStatusLines;

const char* const kPlaceholder = "Min ---.-Km/h    Mittelwert ---.---Km/h    Max ---.-Km/h";

MeasurementRecord makeRecord(int scale, int method, int distanceMm, int count, int overflow = 0) {
    MeasurementRecord r{};
    r[1] = static_cast<std::uint8_t>(scale);
    r[2] = static_cast<std::uint8_t>(method);
    r[3] = static_cast<std::uint8_t>(distanceMm / 100);
    r[4] = static_cast<std::uint8_t>(distanceMm / 10 % 10);
    r[5] = static_cast<std::uint8_t>(distanceMm % 10);
    r[6] = static_cast<std::uint8_t>(count & 0xFF);
    r[7] = static_cast<std::uint8_t>((count >> 8) & 0xFF);
    r[8] = static_cast<std::uint8_t>((count >> 16) & 0xFF);
    r[9] = static_cast<std::uint8_t>(overflow);
    return r;
}

// Measurements the evaluation rejects: too fast, exactly the limit, infinite, time overflow,
// 0/0 and an unknown scale.
const MeasurementRecord kRejected[] = {makeRecord(0, 0, 228, 185), makeRecord(4, 1, 587, 1129),
                                       makeRecord(5, 0, 500, 0),   makeRecord(5, 0, 500, 10000, 1),
                                       makeRecord(5, 0, 0, 0),     makeRecord(12, 0, 500, 10000)};

class StatisticsTest : public ::testing::Test {
protected:
    FakeStatusLines lines;
    FakeButtons buttons;
    RunningStatistics statistics{lines, buttons};

    [[nodiscard]] const std::string& line() const { return lines.text(Line::Statistics); }
    [[nodiscard]] const std::string& tooltip() const { return buttons.tooltip(Button::Statistics); }
};

TEST_F(StatisticsTest, SwitchingOnShowsThePlaceholderAndOffEmptiesTheLine) {
    EXPECT_FALSE(statistics.isOn());
    statistics.toggleStatistics(true);
    EXPECT_TRUE(statistics.isOn());
    EXPECT_EQ(tooltip(), "Statistik-Berechnungen beenden");
    EXPECT_EQ(line(), kPlaceholder);
    EXPECT_EQ(statistics.count(), 0.0f);
    EXPECT_EQ(statistics.min(), 1000.0f);
    EXPECT_EQ(statistics.max(), 0.0f);

    statistics.toggleStatistics(false);
    EXPECT_FALSE(statistics.isOn());
    EXPECT_EQ(tooltip(), "Statistik-Berechnungen starten");
    EXPECT_EQ(line(), "");
}

TEST_F(StatisticsTest, WorkedExampleThroughTheEvaluation) {
    FakePanel panel;
    FakeStatusLines evaluationLines;
    struct NoLog final : DataLineWriter {
        void writeDataLine(std::string_view, std::string_view, int, float, float) override {}
    } noLog;
    Evaluator evaluator(evaluationLines, panel, noLog, statistics);
    statistics.toggleStatistics(true);

    struct Step {
        MeasurementRecord record;
        const char* line;
    };
    const Step steps[] = {
        {makeRecord(5, 0, 500, 10000), "Min 156.9Km/h    Mittelwert 156.872Km/h    Max 156.9Km/h"},
        {makeRecord(5, 1, 500, 10000), "Min 120.7Km/h    Mittelwert 138.772Km/h    Max 156.9Km/h"},
        {makeRecord(0, 0, 50, 10000), "Min 4.1Km/h    Mittelwert 93.867Km/h    Max 156.9Km/h"},
    };
    float count = 0.0f;
    for (const Step& step : steps) {
        evaluator.evaluateRecord(step.record);
        EXPECT_EQ(line(), step.line);
        EXPECT_EQ(statistics.count(), ++count);
        // Rejected measurements in between change neither the line nor the values.
        const float mean = statistics.mean();
        for (const MeasurementRecord& rejected : kRejected) {
            evaluator.evaluateRecord(rejected);
        }
        EXPECT_EQ(line(), step.line);
        EXPECT_EQ(statistics.count(), count);
        EXPECT_EQ(statistics.mean(), mean);
    }
}

TEST_F(StatisticsTest, FirstSpeedZero) {
    statistics.toggleStatistics(true);
    statistics.updateStatistics(0.0f);
    EXPECT_EQ(line(), "Min 0.0Km/h    Mittelwert 0.000Km/h    Max 0.0Km/h");
    EXPECT_EQ(statistics.count(), 1.0f);
}

TEST_F(StatisticsTest, SpeedsEqualToMinimumOrMaximumStillCountTowardsTheMean) {
    statistics.toggleStatistics(true);
    for (const float v : {10.0f, 20.0f, 10.0f, 20.0f, 20.0f}) {
        statistics.updateStatistics(v);
    }
    EXPECT_EQ(statistics.count(), 5.0f);
    EXPECT_EQ(statistics.min(), 10.0f);
    EXPECT_EQ(statistics.max(), 20.0f);
    EXPECT_EQ(line(), "Min 10.0Km/h    Mittelwert 16.000Km/h    Max 20.0Km/h");
}

TEST_F(StatisticsTest, NothingChangesWhileOff) {
    statistics.updateStatistics(50.0f);
    EXPECT_EQ(statistics.count(), 0.0f);
    EXPECT_EQ(line(), "");
    EXPECT_EQ(lines.writes, 0);

    statistics.toggleStatistics(true);
    statistics.updateStatistics(50.0f);
    statistics.toggleStatistics(false);
    statistics.updateStatistics(70.0f);
    EXPECT_EQ(line(), "");
    EXPECT_EQ(statistics.count(), 1.0f);
}

TEST_F(StatisticsTest, SwitchingOnAgainDiscardsEarlierValues) {
    statistics.toggleStatistics(true);
    statistics.updateStatistics(5.0f);
    statistics.updateStatistics(900.0f);
    statistics.toggleStatistics(false);
    statistics.toggleStatistics(true);
    EXPECT_EQ(line(), kPlaceholder);
    statistics.updateStatistics(100.0f);
    EXPECT_EQ(line(), "Min 100.0Km/h    Mittelwert 100.000Km/h    Max 100.0Km/h");
    EXPECT_EQ(statistics.count(), 1.0f);
}

TEST_F(StatisticsTest, RefusesSpeedsThatAreNoNumber) {
    statistics.toggleStatistics(true);
    statistics.updateStatistics(std::numeric_limits<float>::quiet_NaN());
    statistics.updateStatistics(std::numeric_limits<float>::infinity());
    EXPECT_EQ(line(), kPlaceholder);
    EXPECT_EQ(statistics.count(), 0.0f);
    statistics.updateStatistics(3.0f);
    EXPECT_EQ(line(), "Min 3.0Km/h    Mittelwert 3.000Km/h    Max 3.0Km/h");
}

TEST_F(StatisticsTest, IndependentOfLogging) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / "quendar_statistics_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    test::ScriptedDialogs dialogs;
    dialogs.saveAnswers = {(dir / "a.log").string()};
    const test::FixedClock clock(DateTime{2013, 5, 3, 9, 7, 5});
    MeasurementLog log(dialogs, buttons, clock);
    FakePanel panel;
    FakeStatusLines evaluationLines;
    Evaluator evaluator(evaluationLines, panel, log, statistics);

    statistics.toggleStatistics(true);
    evaluator.evaluateRecord(makeRecord(5, 0, 500, 10000));
    log.onLogButton(true);
    evaluator.evaluateRecord(makeRecord(5, 1, 500, 10000));
    log.onLogButton(false);
    EXPECT_EQ(statistics.count(), 2.0f);
    EXPECT_EQ(line(), "Min 120.7Km/h    Mittelwert 138.772Km/h    Max 156.9Km/h");

    // Logging on, statistics switched on and off: the log keeps its one file and line.
    dialogs.saveAnswers = {(dir / "b.log").string()};
    log.onLogButton(true);
    evaluator.evaluateRecord(makeRecord(5, 0, 500, 10000));
    statistics.toggleStatistics(false);
    evaluator.evaluateRecord(makeRecord(5, 0, 500, 10000));
    statistics.toggleStatistics(true);
    EXPECT_TRUE(log.isOpen());
    log.onLogButton(false);
    std::size_t dataLines = 0;
    std::ifstream in(dir / "b.log", std::ios::binary);
    for (std::string l; std::getline(in, l);) {
        dataLines += l.rfind("03.05.2013\t", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(dataLines, 2U);
    EXPECT_EQ(dialogs.shown.size(), 2U);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace quendar
