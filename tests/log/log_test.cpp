// The measurement log: exact bytes of a whole file, the ".log" rule, cancelling the dialog,
// replacing an existing file, a file that cannot be created, lines only while a file is open,
// no lines for rejected measurements, and every logged line surviving a killed process.

#include "core/evaluation.h"
#include "fakes/fakes.h"
#include "log/log_format.h"
#include "log/measurement_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace quendar {
namespace {

namespace fs = std::filesystem;
using test::FakeButtons;
using test::FixedClock;
using test::ScriptedDialogs;

const std::string kStart = "Tavrilo Start der Messwert-Speicherung: 03.05.2013  09:07:05\r\n";
const std::string kHeader = "Datum\tZeit\tMa\xDF"
                            "stab\tMessmethode\tMessstrecke in cm\tMesszeit in ms\t"
                            "Geschwindigkeit in Km/h\r\n";
const std::string kEnd = "Tavrilo Ende der Messwert-Speicherung:  03.05.2013  09:07:05\r\n";
const std::string kMethod1 = "Messung mit \xDC"
                             "berh\xF6hung nach NEM 661";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              (std::string("quendar_log_test_") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        // As the window creates the button.
        buttons.setTooltip(Button::Log, "Messwert-Speicherung starten");
    }
    void TearDown() override { fs::remove_all(dir); }

    // A click that presses the button in, answering the dialog with `answer`.
    void switchOn(const std::string& answer) {
        dialogs.saveAnswers = {answer};
        buttons.pressed[FakeButtons::index(Button::Log)] = true;
        log.onLogButton(true);
    }
    void switchOff() {
        buttons.pressed[FakeButtons::index(Button::Log)] = false;
        log.onLogButton(false);
    }
    [[nodiscard]] bool pressed() const { return buttons.isPressed(Button::Log); }
    [[nodiscard]] const std::string& tooltip() const { return buttons.tooltip(Button::Log); }
    [[nodiscard]] std::string at(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
    ScriptedDialogs dialogs;
    FakeButtons buttons;
    FixedClock clock{DateTime{2013, 5, 3, 9, 7, 5}};
    MeasurementLog log{dialogs, buttons, clock};
};

TEST_F(LogTest, WholeFileByteForByte) {
    switchOn(at("messung.log"));
    ASSERT_TRUE(log.isOpen());
    ASSERT_EQ(dialogs.shown.size(), 1U);
    EXPECT_EQ(dialogs.shown[0].title, "Messdaten speichern unter....");
    EXPECT_EQ(dialogs.shown[0].text, "Log-Datei (*.log)");
    EXPECT_EQ(tooltip(), "Messwert-Speicherung beenden");

    clock.time = DateTime{2013, 5, 3, 9, 7, 31};
    log.writeDataLine("1:87", kMethod1, 500, 1800.0f, 66.9f);
    clock.time = DateTime{2013, 5, 3, 9, 12, 40};
    log.writeDataLine("1:22,5", "Messung Originalgeschwindigkeit", 5, 0.1f, 0.0f);
    clock.time = DateTime{2014, 12, 31, 23, 59, 58};
    switchOff();

    EXPECT_FALSE(log.isOpen());
    EXPECT_EQ(tooltip(), "Messwert-Speicherung starten");
    EXPECT_EQ(kHeader.size(), 87U + 2U);
    EXPECT_EQ(readFile(dir / "messung.log"),
              kStart + kHeader + "03.05.2013\t09:07:31\t1:87\t" + kMethod1 +
                  "\t50,0\t1800,0\t66,9\r\n"
                  "03.05.2013\t09:12:40\t1:22,5\tMessung Originalgeschwindigkeit\t0,5\t0,1\t0,0\r\n"
                  "Tavrilo Ende der Messwert-Speicherung:  31.12.2014  23:59:58\r\n");
}

TEST(LogFormatTest, LogExtensionRule) {
    struct Case {
        const char* chosen;
        const char* file;
    };
    const Case cases[] = {
        {"messung", "messung.log"},
        {"messung.txt", "messung.txt.log"},
        {"messung.LOG", "messung.LOG.log"},
        {"messung.log", "messung.log"},
        {"messung.log.txt", "messung.log.txt.log"},
        {"messung.", "messung..log"},
        {"D:\\a.b\\messung", "D:\\a.b\\messung.log"},
        {"D:\\a.b\\messung.log", "D:\\a.b\\messung.log"},
        {"/home/a.b/messung", "/home/a.b/messung.log"},
        {"/home/a.log/messung", "/home/a.log/messung.log"},
        {"/home/a.b\\messung", "/home/a.b\\messung.log"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(withLogExtension(c.chosen), c.file) << c.chosen;
    }
}

TEST_F(LogTest, ChosenNamesGetTheirExtensionOnDisk) {
    fs::create_directories(dir / "a.b");
    const std::pair<std::string, fs::path> cases[] = {
        {at("messung"), dir / "messung.log"},
        {at("messung.txt"), dir / "messung.txt.log"},
        {at("messung.LOG"), dir / "messung.LOG.log"},
        {at("fahrt.log"), dir / "fahrt.log"},
        {(dir / "a.b" / "messung").string(), dir / "a.b" / "messung.log"},
        {at("M\xC3\xA4rz"), dir / fs::path(u8"M\u00E4rz.log")}, // UTF-8 from the dialog
    };
    for (const auto& [chosen, file] : cases) {
        switchOn(chosen);
        switchOff();
        EXPECT_EQ(readFile(file), kStart + kHeader + kEnd) << chosen;
    }
    EXPECT_FALSE(fs::exists(dir / "messung.txt"));
    EXPECT_FALSE(fs::exists(dir / "messung.LOG"));
}

TEST_F(LogTest, CancellingTheDialogReleasesTheButton) {
    switchOn("");
    EXPECT_EQ(buttons.releases, 1);
    EXPECT_FALSE(pressed());
    EXPECT_EQ(tooltip(), "Messwert-Speicherung starten");
    EXPECT_FALSE(log.isOpen());
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(LogTest, AnExistingFileIsReplaced) {
    {
        std::ofstream old(dir / "messung.log", std::ios::binary);
        old << std::string(10000, 'x');
    }
    switchOn(at("messung.log"));
    switchOff();
    EXPECT_EQ(readFile(dir / "messung.log"), kStart + kHeader + kEnd);
    // The same path again replaces the earlier log.
    switchOn(at("messung"));
    log.writeDataLine("1:87", kMethod1, 500, 1800.0f, 66.9f);
    switchOff();
    switchOn(at("messung"));
    switchOff();
    EXPECT_EQ(readFile(dir / "messung.log"), kStart + kHeader + kEnd);
}

TEST_F(LogTest, AFileThatCannotBeCreatedLeavesTheButtonOnWithoutFile) {
    fs::create_directories(dir / "folder.log");
    const std::string targets[] = {at("missing/messung"), at("folder.log")};
    for (const std::string& target : targets) {
        SCOPED_TRACE(target);
        switchOn(target);
        EXPECT_FALSE(log.isOpen());
        EXPECT_TRUE(pressed());
        EXPECT_EQ(buttons.releases, 0);
        EXPECT_EQ(tooltip(), "Messwert-Speicherung beenden");
        log.writeDataLine("1:87", kMethod1, 500, 1800.0f, 66.9f);
        switchOff();
        EXPECT_EQ(tooltip(), "Messwert-Speicherung starten");
    }
    EXPECT_FALSE(fs::exists(dir / "missing"));
    EXPECT_TRUE(fs::is_directory(dir / "folder.log"));
    EXPECT_TRUE(fs::is_empty(dir / "folder.log"));
}

TEST_F(LogTest, NoLinesWhileOff) {
    log.writeDataLine("1:87", kMethod1, 500, 1800.0f, 66.9f);
    log.stopLogging();
    EXPECT_TRUE(fs::is_empty(dir));

    switchOn(at("messung.log"));
    switchOff();
    log.writeDataLine("1:87", kMethod1, 500, 1800.0f, 66.9f);
    log.stopLogging();
    EXPECT_EQ(readFile(dir / "messung.log"), kStart + kHeader + kEnd);
}

TEST_F(LogTest, ShutdownWritesTheEndLine) {
    switchOn(at("messung.log"));
    log.stopLogging();
    EXPECT_FALSE(log.isOpen());
    log.stopLogging();
    EXPECT_EQ(readFile(dir / "messung.log"), kStart + kHeader + kEnd);
}

TEST_F(LogTest, OnlyAcceptedMeasurementsAreLogged) {
    test::FakeStatusLines lines;
    test::FakePanel panel;
    struct NoStatistics final : SpeedSink {
        void updateStatistics(float) override {}
    } noStatistics;
    Evaluator evaluator(lines, panel, log, noStatistics);
    auto record = [](int scale, int method, int d, int count, int overflow) {
        MeasurementRecord r{};
        r[1] = static_cast<std::uint8_t>(scale);
        r[2] = static_cast<std::uint8_t>(method);
        r[3] = static_cast<std::uint8_t>(d / 100);
        r[4] = static_cast<std::uint8_t>(d / 10 % 10);
        r[5] = static_cast<std::uint8_t>(d % 10);
        r[6] = static_cast<std::uint8_t>(count & 0xFF);
        r[7] = static_cast<std::uint8_t>(count >> 8);
        r[9] = static_cast<std::uint8_t>(overflow);
        return r;
    };

    evaluator.evaluateRecord(record(5, 0, 500, 10000, 0)); // logging still off
    switchOn(at("messung.log"));
    evaluator.evaluateRecord(record(0, 0, 228, 185, 0));    // too fast
    evaluator.evaluateRecord(record(5, 0, 500, 0, 0));      // infinite
    evaluator.evaluateRecord(record(5, 0, 500, 10000, 1));  // time overflow
    evaluator.evaluateRecord(record(5, 0, 0, 0, 0));        // 0/0
    evaluator.evaluateRecord(record(10, 0, 500, 10000, 0)); // unknown scale
    evaluator.evaluateRecord(record(5, 2, 500, 10000, 0));  // unknown method
    log.writeDataLine("1:87", kMethod1, 0, 0.0f, std::numeric_limits<float>::quiet_NaN());
    log.writeDataLine("1:87", kMethod1, 500, 0.0f, std::numeric_limits<float>::infinity());
    evaluator.evaluateRecord(record(5, 1, 500, 10000, 0));
    evaluator.evaluateRecord(record(5, 0, 0, 10000, 0));
    switchOff();

    EXPECT_EQ(
        readFile(dir / "messung.log"),
        kStart + kHeader + "03.05.2013\t09:07:05\t1:87\t" + kMethod1 +
            "\t50,0\t998,3\t120,7\r\n"
            "03.05.2013\t09:07:05\t1:87\tMessung Originalgeschwindigkeit\t0,0\t998,3\t0,0\r\n" +
            kEnd);
}

TEST_F(LogTest, EachLineIsInTheFileAsSoonAsItIsWritten) {
    switchOn(at("messung.log"));
    EXPECT_EQ(readFile(dir / "messung.log"), kStart + kHeader);
    log.writeDataLine("1:87", kMethod1, 500, 1800.0f, 66.9f);
    EXPECT_EQ(readFile(dir / "messung.log"), kStart + kHeader + "03.05.2013\t09:07:05\t1:87\t" +
                                                 kMethod1 + "\t50,0\t1800,0\t66,9\r\n");
}

#ifndef _WIN32
TEST_F(LogTest, AKilledProgramLosesNoLoggedLine) {
    const fs::path file = dir / "killed.log";
    const std::string path = file.string();
    constexpr int kLines = 7;
    const pid_t child = fork();
    ASSERT_NE(child, -1);
    if (child == 0) {
        const std::string count = std::to_string(kLines);
        execl(QUENDAR_LOG_KILL_HELPER, QUENDAR_LOG_KILL_HELPER, path.c_str(), count.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);

    std::string expected = kStart + kHeader;
    for (int i = 0; i < kLines; ++i) {
        expected += "03.05.2013\t09:07:05\t1:87\tMessung Originalgeschwindigkeit\t50,0\t998,3\t" +
                    std::to_string(i) + ",0\r\n";
    }
    EXPECT_EQ(readFile(file), expected); // no end line: the program never got to write it
}
#endif

} // namespace
} // namespace quendar
