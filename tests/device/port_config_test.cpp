// The settings file "cnf.dat" and the port dialog: reading numbers and lines, loading, creating
// and rewriting the file, the dialog's entries, and opening the port afterwards.

#include "device/device_link.h"
#include "device/port_config.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fakes.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace quendar {
namespace {

using test::FakePanel;
using test::FakeSerialPort;
using test::FakeStatusLines;
using test::ScriptedDialogs;
using test::TempDir;

const std::string kNotOpened7 = "COM-Schnittstelle 7 konnte nicht ge\xF6"
                                "ffnet werden!";

std::optional<std::string> fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Notes what "cnf.dat" holds at the moment the port is opened.
class SnoopingPort final : public SerialPort {
public:
    explicit SnoopingPort(std::filesystem::path config) : m_config(std::move(config)) {}
    bool open(int n, const PortOpenOptions& o) override {
        fileAtOpen.push_back(fileBytes(m_config).value_or("<missing>"));
        return fake.open(n, o);
    }
    void close() override { fake.close(); }
    bool isOpen() const override { return fake.isOpen(); }
    int bytesWaiting() override { return fake.bytesWaiting(); }
    int read(std::uint8_t* b, int c) override { return fake.read(b, c); }
    int write(const std::uint8_t* b, int c) override { return fake.write(b, c); }
    unsigned errorStatus() override { return fake.errorStatus(); }

    FakeSerialPort fake;
    std::vector<std::string> fileAtOpen;

private:
    std::filesystem::path m_config;
};

struct NumberCase {
    std::string text;
    std::int32_t value;
};

TEST(ReadConfigNumber, ReadsEveryFormAndStopsAtTheFirstMisfit) {
    const NumberCase cases[] = {
        {"7", 7},
        {" 7", 7},
        {"\t \t42", 42},
        {"7b", 7},
        {"+12", 12},
        {"-3", -3},
        {"$A", 10},
        {"$fF", 255},
        {"-$10", -16},
        {"%101", 5},
        {"%102", 2},
        {"099", 99},
        {"1 2", 1},
        {"", 0},
        {"COM3", 0},
        {"-", 0},
        {"$", 0},
        {"%2", 0},
        {"$G1", 0},
        {"- 5", 0},
        {"+-5", 0},
        {"\n5", 0},
        // Beyond 32 bits the value wraps around modulo 2^32.
        {"2147483647", 2147483647},
        {"2147483648", INT32_MIN},
        {"-2147483648", INT32_MIN},
        {"4294967296", 0},
        {"4294967297", 1},
        {"12345678901234567890", static_cast<std::int32_t>(3944680146u)},
        {"$FFFFFFFF", -1},
        {"$123456789", 0x23456789},
        {std::string(1000, '9'), static_cast<std::int32_t>(0u - 1u)},
    };
    for (const NumberCase& c : cases) {
        EXPECT_EQ(readConfigNumber(c.text), c.value) << "text \"" << c.text.substr(0, 40) << "\"";
    }
}

TEST(PortConfigText, IsTwoDecimalLinesWithCrLf) {
    EXPECT_EQ(portConfigText({3, 0}), std::string("3\r\n0\r\n"));
    EXPECT_EQ(portConfigText({-12, 2147483647}), std::string("-12\r\n2147483647\r\n"));
}

class DeviceLinkTest : public ::testing::Test {
protected:
    TempDir dir;
    std::filesystem::path config = dir.path() / "cnf.dat";
    SnoopingPort port{config};
    ScriptedDialogs dialogs;
    FakeStatusLines lines;
    FakePanel panel;
    DeviceLink link{port, dialogs, lines, panel, config};
};

struct LoadCase {
    const char* name;
    std::optional<std::string> file; // nullopt: no file
    std::int32_t port;
    std::int32_t reserved;
};

TEST_F(DeviceLinkTest, LoadReadsBothLinesAndCreatesOnlyAMissingFile) {
    using namespace std::string_literals;
    const LoadCase cases[] = {
        {"missing", std::nullopt, 1, 0},
        {"empty", ""s, 0, 0},
        {"CR LF", "3\r\n42\r\n"s, 3, 42},
        {"CR alone", "3\r42\r"s, 3, 42},
        {"LF alone", "3\n42\n"s, 3, 42},
        {"no final line end", "3\r\n42"s, 3, 42},
        {"one line only", "5\r\n"s, 5, 0},
        {"zero byte ends a line", "8\0 9\r\n"s, 8, 9},
        {"LF CR is two line ends", "6\n\r7\r\n"s, 6, 0},
        {"blank first line", "\r\n9\r\n"s, 0, 9},
        {"not numbers", "COM2\r\nx\r\n"s, 0, 0},
        {"port zero", "0\r\n0\r\n"s, 0, 0},
        {"negative and large", "-3\r\n$7FFFFFFF\r\n"s, -3, 2147483647},
        {"too long for 32 bits", "99999999999\r\n0\r\n"s, 1215752191, 0},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(config);
        if (c.file) {
            writeBytes(config, *c.file);
        }
        DeviceLink fresh{port, dialogs, lines, panel, config};
        fresh.loadPortConfig();
        EXPECT_EQ(fresh.portNumber(), c.port);
        EXPECT_EQ(fresh.reserved(), c.reserved);
        // Only a missing file is written; a present one is left exactly as it was.
        EXPECT_EQ(fileBytes(config), c.file ? *c.file : std::string("1\r\n0\r\n"));
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DeviceLinkTest, MissingFileIsCreatedBeforeThePortOpens) {
    link.loadPortConfig();
    link.openPortAtStartup();
    ASSERT_EQ(port.fake.opens.size(), 1u);
    EXPECT_EQ(port.fake.opens[0].comNumber, 1);
    EXPECT_EQ(port.fake.opens[0].queueSize, 255);
    EXPECT_EQ(port.fileAtOpen[0], "1\r\n0\r\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DeviceLinkTest, StartupFailureNamesThePortFromTheFileUnchecked) {
    writeBytes(config, "");
    link.loadPortConfig();
    port.fake.refused.insert(0);
    link.openPortAtStartup();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, "message");
    EXPECT_EQ(dialogs.shown[0].title, "Fehler");
    EXPECT_EQ(dialogs.shown[0].text, "Die COM-Schnittstelle 0 konnte nicht ge\xF6"
                                     "ffnet werden!");
    EXPECT_EQ(fileBytes(config), "");
    EXPECT_FALSE(link.isPortOpen());
}

struct EntryCase {
    const char* entry; // nullptr: the dialog is left with Escape
    std::int32_t port;
};

TEST_F(DeviceLinkTest, DialogEntryBecomesThePortNumber) {
    const EntryCase cases[] = {
        {"7", 7},   {" 7", 7},    {"7b", 7},         {"+12", 12}, {"$A", 10}, {"%101", 5},
        {"99", 99}, {"10", 10},   {"0", 1},          {"100", 1},  {"-3", 1},  {"COM3", 1},
        {"", 1},    {nullptr, 1}, {"4294967303", 7}, // 2^32 + 7 wraps around to 7
    };
    writeBytes(config, "3\r\n42\r\n");
    link.loadPortConfig();
    for (const EntryCase& c : cases) {
        SCOPED_TRACE(c.entry ? c.entry : "Escape");
        if (c.entry) {
            dialogs.inputAnswers.push_back(c.entry);
        }
        port.fake.opens.clear();
        port.fileAtOpen.clear();
        link.choosePort();
        EXPECT_EQ(link.portNumber(), c.port);
        const std::string expected = std::to_string(c.port) + "\r\n42\r\n";
        EXPECT_EQ(fileBytes(config), expected);
        ASSERT_EQ(port.fake.opens.size(), 1u);
        EXPECT_EQ(port.fake.opens[0].comNumber, c.port);
        EXPECT_EQ(port.fake.opens[0].queueSize, 1024);
        EXPECT_EQ(port.fileAtOpen[0], expected); // stored before the port is opened
    }
}

TEST_F(DeviceLinkTest, DialogShowsTitlePromptAndCurrentNumber) {
    writeBytes(config, "-5\r\n0\r\n");
    link.loadPortConfig();
    dialogs.inputAnswers.push_back("4");
    link.choosePort();
    dialogs.inputAnswers.push_back("12");
    link.choosePort();
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, "input");
    EXPECT_EQ(dialogs.shown[0].title, "Schnittstelle w\xE4"
                                      "hlen");
    EXPECT_EQ(dialogs.shown[0].text, "Nummer der seriellen COM-Schnittstelle:");
    EXPECT_EQ(dialogs.shown[0].preset, "-5");
    EXPECT_EQ(dialogs.shown[1].preset, "4");
    EXPECT_EQ(dialogs.shown[1].details, ""); // the fake port knows no ports
}

TEST_F(DeviceLinkTest, ReopeningTheSamePortClosesItFirst) {
    link.loadPortConfig();
    link.openPortAtStartup();
    lines.setLineText(Line::Info, "old");
    lines.setLineText(Line::Measure, "old");
    lines.setLineText(Line::Statistics, "kept");
    lines.setLineText(Line::Speed, "old");
    dialogs.inputAnswers.push_back("1");
    link.choosePort();
    EXPECT_EQ(port.fake.closes, 1);
    ASSERT_EQ(port.fake.opens.size(), 2u);
    EXPECT_EQ(port.fake.opens[1].comNumber, 1);
    EXPECT_EQ(port.fake.opens[1].queueSize, 1024);
    EXPECT_TRUE(link.isPortOpen());
    EXPECT_EQ(panel.calls, std::vector<std::string>{"showDashes"});
    EXPECT_EQ(lines.text(Line::Info), "");
    EXPECT_EQ(lines.text(Line::Measure), "");
    EXPECT_EQ(lines.text(Line::Speed), "");
    EXPECT_EQ(lines.text(Line::Statistics), "kept");
}

TEST_F(DeviceLinkTest, PortThatDoesNotOpenAfterTheDialogIsNamedInTheInfoLine) {
    link.loadPortConfig();
    port.fake.refused.insert(7);
    dialogs.inputAnswers.push_back("7");
    link.choosePort();
    EXPECT_FALSE(link.isPortOpen());
    EXPECT_EQ(lines.text(Line::Info), kNotOpened7);
    EXPECT_EQ(panel.calls, std::vector<std::string>{"showDashes"});
    EXPECT_EQ(fileBytes(config), "7\r\n0\r\n");
    EXPECT_EQ(dialogs.shown.size(), 1u); // no message box after the dialog
}

TEST_F(DeviceLinkTest, LeftoverTemporaryFileDoesNotHurt) {
    const std::filesystem::path leftover = dir.path() / "cnf.dat.tmp";
    writeBytes(config, "3\r\n8\r\n");
    writeBytes(leftover, "77\r\n");
    link.loadPortConfig();
    EXPECT_EQ(link.portNumber(), 3);
    dialogs.inputAnswers.push_back("4");
    link.choosePort();
    EXPECT_EQ(fileBytes(config), "4\r\n8\r\n");
    EXPECT_FALSE(std::filesystem::exists(leftover));
}

TEST_F(DeviceLinkTest, BlockedTemporaryFileFallsBackToRewritingInPlace) {
    // A folder where the temporary file would go: the detour fails, the file is still written.
    std::filesystem::create_directories(dir.path() / "cnf.dat.tmp" / "inside");
    writeBytes(config, "3\r\n8\r\n");
    link.loadPortConfig();
    dialogs.inputAnswers.push_back("12");
    link.choosePort();
    EXPECT_EQ(fileBytes(config), "12\r\n8\r\n");
}

TEST_F(DeviceLinkTest, UnwritableFileIsSkippedSilently) {
    const std::filesystem::path nowhere = dir.path() / "no such folder" / "cnf.dat";
    SnoopingPort other{nowhere};
    DeviceLink lost{other, dialogs, lines, panel, nowhere};
    lost.loadPortConfig();
    EXPECT_EQ(lost.portNumber(), 1);
    dialogs.inputAnswers.push_back("6");
    lost.choosePort();
    EXPECT_EQ(lost.portNumber(), 6);
    EXPECT_TRUE(lost.isPortOpen());
    EXPECT_EQ(lines.text(Line::Info), "");
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST(PortListText, ListsEachPortWithItsNumberDeviceAndDescription) {
    EXPECT_EQ(portListText({}), "");
    const std::string text = portListText({{1, "/dev/ttyUSB0", "FT232R USB UART"},
                                           {12, "/dev/pts/3", ""},
                                           {3, "/dev/ttyS0",
                                            "Gr\xC3\xB6\xC3\x9F"
                                            "e"}});
    EXPECT_EQ(text, "Gefundene Schnittstellen:\n"
                    "COM1  /dev/ttyUSB0  FT232R USB UART\n"
                    "COM12 /dev/pts/3\n"
                    "COM3  /dev/ttyS0  Gr\xF6\xDF"
                    "e");
}

} // namespace
} // namespace quendar
