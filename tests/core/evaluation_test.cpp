// Evaluation of measurement records: the texts of the three status lines, the digit images, and
// which records reach the log and the statistics (and in which order), including the speed limit
// boundary, the time-overflow and dash flags, 0/0 and scale or method numbers without a table row.

#include "core/evaluation.h"
#include "core/format.h"
#include "fakes/fakes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace quendar {
namespace {

using test::FakePanel;
using test::FakeStatusLines;

// Records log lines and statistics updates in one journal, to see their order too.
struct Recorder final : DataLineWriter, SpeedSink {
    void writeDataLine(std::string_view scale, std::string_view method, int distanceMm,
                       float timeMs, float speedKmh) override {
        journal.push_back("log " + std::string(scale) + "|" + std::string(method) + "|" +
                          std::to_string(distanceMm) + "|" + formatFixed(timeMs, 1) + "|" +
                          formatFixed(speedKmh, 1));
        loggedSpeeds.push_back(speedKmh);
    }
    void updateStatistics(float speedKmh) override {
        journal.push_back("stats " + formatFixed(speedKmh, 1));
        countedSpeeds.push_back(speedKmh);
    }
    std::vector<std::string> journal;
    std::vector<float> loggedSpeeds;
    std::vector<float> countedSpeeds;
};

struct Fields {
    int scale = 5;
    int method = 0;
    std::array<int, 3> distance{5, 0, 0}; // hundreds, tens, ones of mm
    int count = 10000;
    int overflow = 0;
    std::array<int, 3> digits{1, 5, 7};
    int dashes = 0;
};

MeasurementRecord makeRecord(const Fields& f) {
    MeasurementRecord r{};
    r[1] = static_cast<std::uint8_t>(f.scale);
    r[2] = static_cast<std::uint8_t>(f.method);
    r[3] = static_cast<std::uint8_t>(f.distance[0]);
    r[4] = static_cast<std::uint8_t>(f.distance[1]);
    r[5] = static_cast<std::uint8_t>(f.distance[2]);
    r[6] = static_cast<std::uint8_t>(f.count & 0xFF);
    r[7] = static_cast<std::uint8_t>((f.count >> 8) & 0xFF);
    r[8] = static_cast<std::uint8_t>((f.count >> 16) & 0xFF);
    r[9] = static_cast<std::uint8_t>(f.overflow);
    r[10] = static_cast<std::uint8_t>(f.digits[0]);
    r[11] = static_cast<std::uint8_t>(f.digits[1]);
    r[12] = static_cast<std::uint8_t>(f.digits[2]);
    r[13] = static_cast<std::uint8_t>(f.dashes);
    return r;
}

const std::string kInfo187 = "Ma\xDF"
                             "stab 1:87   /   Messung Originalgeschwindigkeit";
const std::string kMethod1 = "Messung mit \xDC"
                             "berh\xF6hung nach NEM 661";
const std::string kTooLarge = "Geschwindigkeit zu gro\xDF!";
const std::string kNoSpeed = "Geschwindigkeit   ---.-Km/h";
const std::string kMeasure500 = "Messstrecke   50.0cm   /   Messzeit   998.3ms";

struct Case {
    const char* name;
    Fields fields;
    std::string info;
    std::string measure;
    std::string speed;
    std::string logLine; ///< "" when nothing may be logged or counted
    std::array<int, 3> images;
};

std::vector<Case> cases() {
    return {
        {"worked example",
         {},
         kInfo187,
         kMeasure500,
         "Geschwindigkeit   156.9Km/h",
         "log 1:87|Messung Originalgeschwindigkeit|500|998.3|156.9",
         {11, 15, 17}},
        {"worked example with exaggeration",
         {.method = 1},
         "Ma\xDF"
         "stab 1:87   /   " +
             kMethod1,
         kMeasure500,
         "Geschwindigkeit   120.7Km/h",
         "log 1:87|" + kMethod1 + "|500|998.3|120.7",
         {11, 15, 17}},
        {"exaggeration factor of another scale row",
         {.scale = 9, .method = 1},
         "Ma\xDF"
         "stab 1:450   /   " +
             kMethod1,
         kMeasure500,
         "Geschwindigkeit   450.8Km/h",
         "log 1:450|" + kMethod1 + "|500|998.3|450.8",
         {11, 15, 17}},
        {"distance 0 is a valid speed of 0",
         {.distance = {0, 0, 0}},
         kInfo187,
         "Messstrecke   0.0cm   /   Messzeit   998.3ms",
         "Geschwindigkeit   0.0Km/h",
         "log 1:87|Messung Originalgeschwindigkeit|0|998.3|0.0",
         {11, 15, 17}},
        // 22.5 * 175 * 3.6 / (142 ticks) = 999.975...: still valid, written 1000.0.
        {"just below the limit",
         {.scale = 0, .distance = {1, 7, 5}, .count = 142},
         "Ma\xDF"
         "stab 1:22,5   /   Messung Originalgeschwindigkeit",
         "Messstrecke   17.5cm   /   Messzeit   14.2ms",
         "Geschwindigkeit   1000.0Km/h",
         "log 1:22,5|Messung Originalgeschwindigkeit|175|14.2|1000.0",
         {11, 15, 17}},
        // 64 * 587 * 3.6 / (1129 ticks * 1.2) rounds to exactly 1000.0 in single precision.
        {"exactly the limit",
         {.scale = 4, .method = 1, .distance = {5, 8, 7}, .count = 1129},
         "Ma\xDF"
         "stab 1:64   /   " +
             kMethod1,
         "Messstrecke   58.7cm   /   Messzeit   112.7ms",
         kTooLarge,
         "",
         {11, 15, 17}},
        // 22.5 * 228 * 3.6 / (185 ticks) = 1000.006...
        {"just above the limit",
         {.scale = 0, .distance = {2, 2, 8}, .count = 185},
         "Ma\xDF"
         "stab 1:22,5   /   Messung Originalgeschwindigkeit",
         "Messstrecke   22.8cm   /   Messzeit   18.5ms",
         kTooLarge,
         "",
         {11, 15, 17}},
        {"count 0 gives an infinite speed",
         {.count = 0},
         kInfo187,
         "Messstrecke   50.0cm   /   Messzeit   0.0ms",
         kTooLarge,
         "",
         {11, 15, 17}},
        {"0 mm in 0 ms is no speed",
         {.distance = {0, 0, 0}, .count = 0},
         kInfo187,
         "Messstrecke   0.0cm   /   Messzeit   0.0ms",
         kNoSpeed,
         "",
         {11, 15, 17}},
        {"time overflow",
         {.overflow = 1},
         kInfo187,
         "Messstrecke   50.0cm   /   Messzeit zu gro\xDF!",
         "Geschwindigkeit   000.0Km/h",
         "",
         {10, 10, 10}},
        {"time overflow wins over the dash flag",
         {.overflow = 7, .dashes = 1},
         kInfo187,
         "Messstrecke   50.0cm   /   Messzeit zu gro\xDF!",
         "Geschwindigkeit   000.0Km/h",
         "",
         {10, 10, 10}},
        {"dash flag with a valid speed",
         {.dashes = 1},
         kInfo187,
         kMeasure500,
         "Geschwindigkeit   156.9Km/h",
         "log 1:87|Messung Originalgeschwindigkeit|500|998.3|156.9",
         {31, 31, 31}},
        {"largest count",
         {.count = 16777215},
         kInfo187,
         "Messstrecke   50.0cm   /   Messzeit   1674808.8ms",
         "Geschwindigkeit   0.1Km/h",
         "log 1:87|Messung Originalgeschwindigkeit|500|1674808.8|0.1",
         {11, 15, 17}},
        {"distance fields above 9 keep their weight",
         {.distance = {0, 12, 0}},
         kInfo187,
         "Messstrecke   12.0cm   /   Messzeit   998.3ms",
         "Geschwindigkeit   37.6Km/h",
         "log 1:87|Messung Originalgeschwindigkeit|120|998.3|37.6",
         {11, 15, 17}},
        {"digit values pass through unchecked",
         {.digits = {0, 20, 23}},
         kInfo187,
         kMeasure500,
         "Geschwindigkeit   156.9Km/h",
         "log 1:87|Messung Originalgeschwindigkeit|500|998.3|156.9",
         {10, 30, 33}},
        {"unknown scale",
         {.scale = 12},
         "Ma\xDF"
         "stab ?(12)   /   Messung Originalgeschwindigkeit",
         kMeasure500,
         kNoSpeed,
         "",
         {11, 15, 17}},
        {"unknown method",
         {.method = 2},
         "Ma\xDF"
         "stab 1:87   /   Messmethode ?(2)",
         kMeasure500,
         kNoSpeed,
         "",
         {11, 15, 17}},
        {"unknown scale and method",
         {.scale = 255, .method = 255, .dashes = 1},
         "Ma\xDF"
         "stab ?(255)   /   Messmethode ?(255)",
         kMeasure500,
         kNoSpeed,
         "",
         {31, 31, 31}},
        {"unknown scale with time overflow",
         {.scale = 10, .overflow = 1},
         "Ma\xDF"
         "stab ?(10)   /   Messung Originalgeschwindigkeit",
         "Messstrecke   50.0cm   /   Messzeit zu gro\xDF!",
         "Geschwindigkeit   000.0Km/h",
         "",
         {10, 10, 10}},
    };
}

TEST(EvaluationTest, RecordsGiveTheirTextsDigitsAndLogLines) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        FakeStatusLines lines;
        FakePanel panel;
        Recorder recorder;
        Evaluator evaluator(lines, panel, recorder, recorder);

        evaluator.evaluateRecord(makeRecord(c.fields));

        EXPECT_EQ(lines.text(Line::Info), c.info);
        EXPECT_EQ(lines.text(Line::Measure), c.measure);
        EXPECT_EQ(lines.text(Line::Speed), c.speed);
        EXPECT_EQ(lines.text(Line::Statistics), "");
        const std::vector<std::string> digits = {"digits " + std::to_string(c.images[0]) + " " +
                                                 std::to_string(c.images[1]) + " " +
                                                 std::to_string(c.images[2])};
        EXPECT_EQ(panel.calls, digits);
        if (c.logLine.empty()) {
            EXPECT_TRUE(recorder.journal.empty());
        } else {
            // The log line comes first, then the statistics, with the very same float.
            ASSERT_EQ(recorder.journal.size(), 2U);
            EXPECT_EQ(recorder.journal[0], c.logLine);
            EXPECT_EQ(recorder.journal[1].rfind("stats ", 0), 0U);
            EXPECT_EQ(recorder.loggedSpeeds, recorder.countedSpeeds);
        }
        const auto& d = c.fields.distance;
        EXPECT_EQ(evaluator.lastDistance(), 100 * d[0] + 10 * d[1] + d[2]);
    }
}

TEST(EvaluationTest, SpeedsKeepTheirSinglePrecisionValue) {
    FakeStatusLines lines;
    FakePanel panel;
    Recorder recorder;
    Evaluator evaluator(lines, panel, recorder, recorder);
    evaluator.evaluateRecord(makeRecord({}));
    evaluator.evaluateRecord(makeRecord({.method = 1}));
    evaluator.evaluateRecord(makeRecord({.scale = 4,
                                         .method = 1,
                                         .distance = {5, 8, 6},
                                         .count = 1129})); // one mm short of exactly 1000.0
    ASSERT_EQ(recorder.countedSpeeds.size(), 3U);
    EXPECT_EQ(recorder.countedSpeeds[0], 156.872345f);
    EXPECT_EQ(recorder.countedSpeeds[1], 120.671043f);
    EXPECT_LT(recorder.countedSpeeds[2], 1000.0f);
}

TEST(EvaluationTest, ClearResultTextsBeforeTheFirstRecord) {
    FakeStatusLines lines;
    FakePanel panel;
    Recorder recorder;
    Evaluator evaluator(lines, panel, recorder, recorder);

    evaluator.clearResultTexts();

    EXPECT_EQ(lines.text(Line::Measure), "Messstrecke   0.0cm   /   Messzeit   -----.-ms");
    EXPECT_EQ(lines.text(Line::Speed), kNoSpeed);
    EXPECT_EQ(lines.text(Line::Info), "");
    EXPECT_TRUE(panel.calls.empty());
    EXPECT_EQ(evaluator.lastDistance(), 0);
}

TEST(EvaluationTest, ClearResultTextsShowsTheDistanceOfAnOverflowRecord) {
    FakeStatusLines lines;
    FakePanel panel;
    Recorder recorder;
    Evaluator evaluator(lines, panel, recorder, recorder);
    evaluator.evaluateRecord(makeRecord({.distance = {0, 0, 5}, .overflow = 1}));
    const std::string info = lines.text(Line::Info);

    evaluator.clearResultTexts();

    EXPECT_EQ(lines.text(Line::Measure), "Messstrecke   0.5cm   /   Messzeit   -----.-ms");
    EXPECT_EQ(lines.text(Line::Speed), kNoSpeed);
    EXPECT_EQ(lines.text(Line::Info), info);
    EXPECT_EQ(panel.calls.size(), 1U);
}

} // namespace
} // namespace quendar
