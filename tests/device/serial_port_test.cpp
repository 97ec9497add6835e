// How "COM" n finds a device (natural order, USB first, the user's COM<n> links), and the real
// Qt serial adapter over a pseudo-terminal: the device link opens COM<n> through a link to the
// pty, the protocol takes ResultReady, sends RequestBlock and evaluates the block, more bytes than
// the input queue holds still arrive, and closing the device side closes the port once.

#include "device/device_link.h"
#include "device/port_names.h"
#include "device/protocol.h"
#include "device/qt_serial_port.h"
#include "fakes/fakes.h"
#include "temp_dir.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace quendar {
namespace {

using test::FakePanel;
using test::FakeStatusLines;
using test::ScriptedDialogs;
using test::TempDir;

std::vector<std::string> names(const std::vector<SerialDevice>& devices) {
    std::vector<std::string> result;
    for (const SerialDevice& d : devices) {
        result.push_back(d.name);
    }
    return result;
}

SerialDevice device(const std::string& name) {
    return {name, "/dev/" + name, ""};
}

TEST(NaturalLess, ComparesDigitRunsByValue) {
    struct Case {
        const char* a;
        const char* b;
        bool less;
    };
    const Case cases[] = {
        {"ttyUSB2", "ttyUSB10", true}, {"ttyUSB10", "ttyUSB2", false}, {"ttyS9", "ttyS10", true},
        {"ttyS1", "ttyS1", false},     {"ttyACM0", "ttyS0", true},     {"tty1a", "tty1b", true},
        {"tty", "tty0", true},         {"tty007", "tty8", true},       {"tty01", "tty1", true},
        {"tty1", "tty01", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(naturalLess(c.a, c.b), c.less) << c.a << " < " << c.b;
    }
}

TEST(OrderSerialDevices, PutsUsbFirstThenTheRestEachInNaturalOrder) {
    std::vector<SerialDevice> devices = {device("ttyS10"),  device("ttyUSB10"), device("ttyS2"),
                                         device("ttyACM0"), device("ttyUSB2"),  device("rfcomm0"),
                                         device("ttyAMA0")};
    orderSerialDevices(devices);
    EXPECT_EQ(names(devices), (std::vector<std::string>{"ttyACM0", "ttyUSB2", "ttyUSB10", "rfcomm0",
                                                        "ttyAMA0", "ttyS2", "ttyS10"}));
}

TEST(DeviceForComNumber, LinkWinsOverTheListAndTheListCountsFromOne) {
    TempDir dir;
    const std::filesystem::path folder = dir.path() / "ports";
    std::filesystem::create_directories(folder);
    std::filesystem::create_symlink(dir.path() / "real-device", folder / "COM2");
    std::ofstream(dir.path() / "real-device").put('x');
    std::filesystem::create_symlink(dir.path() / "unplugged", folder / "COM3");
    std::filesystem::create_symlink(folder / "COM2", folder / "COM99"); // a link to a link
    const std::vector<SerialDevice> devices = {device("ttyUSB0"), device("ttyS0")};
    const std::string real = std::filesystem::canonical(dir.path() / "real-device").string();

    EXPECT_EQ(deviceForComNumber(1, folder, devices), "/dev/ttyUSB0");
    EXPECT_EQ(deviceForComNumber(2, folder, devices), real);
    EXPECT_EQ(deviceForComNumber(3, folder, devices), ""); // a link that leads nowhere
    EXPECT_EQ(deviceForComNumber(4, folder, devices), "");
    EXPECT_EQ(deviceForComNumber(99, folder, devices), real);
    EXPECT_EQ(deviceForComNumber(0, folder, devices), "");
    EXPECT_EQ(deviceForComNumber(-3, folder, devices), "");
    EXPECT_EQ(deviceForComNumber(2, {}, devices), "/dev/ttyS0");

    const std::vector<PortDescription> listed = describeComPorts(folder, devices);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].comNumber, 1);
    EXPECT_EQ(listed[0].location, "/dev/ttyUSB0");
    EXPECT_EQ(listed[1].comNumber, 2);
    EXPECT_EQ(listed[1].location, real);
    EXPECT_EQ(listed[2].comNumber, 99);
}

TEST(PortLinkFolder, FollowsXdgConfigHomeThenHome) {
    const char* savedXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string xdg = savedXdg ? savedXdg : "";
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(portLinkFolder(), std::filesystem::path("/cfg/quendar/ports"));
    ::setenv("XDG_CONFIG_HOME", "", 1);
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        EXPECT_EQ(portLinkFolder(), std::filesystem::path(home) / ".config/quendar/ports");
    }
    if (savedXdg) {
        ::setenv("XDG_CONFIG_HOME", xdg.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
}

// Notes evaluated records.
class Evaluations final : public ResultEvaluator {
public:
    void evaluateRecord(const MeasurementRecord& record) override { records.push_back(record); }
    void clearResultTexts() override {}
    std::vector<MeasurementRecord> records;
};

// Plays the device on the master side of a pseudo-terminal whose slave COM7 links to.
class PtyTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(m_master, 0);
        ASSERT_EQ(::grantpt(m_master), 0);
        ASSERT_EQ(::unlockpt(m_master), 0);
        ASSERT_EQ(::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK), 0);
        const char* slave = ::ptsname(m_master);
        ASSERT_NE(slave, nullptr);
        const std::filesystem::path ports = dir.path() / "quendar" / "ports";
        std::filesystem::create_directories(ports);
        std::filesystem::create_symlink(slave, ports / "COM7");
        m_slave = slave;
        const char* saved = std::getenv("XDG_CONFIG_HOME");
        m_hadXdg = saved != nullptr;
        m_savedXdg = saved ? saved : "";
        ::setenv("XDG_CONFIG_HOME", dir.path().c_str(), 1);
    }
    void TearDown() override {
        link.closePort();
        if (m_master >= 0) {
            ::close(m_master);
        }
        if (m_hadXdg) {
            ::setenv("XDG_CONFIG_HOME", m_savedXdg.c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }

    void send(std::vector<std::uint8_t> bytes) {
        std::size_t done = 0;
        runUntil([&] {
            const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            }
            return done == bytes.size();
        });
    }
    // Bytes the program sent to the device so far.
    std::vector<std::uint8_t> received() {
        std::vector<std::uint8_t> bytes;
        std::uint8_t buffer[64];
        ssize_t n = 0;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0) {
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }
    // Runs ticks (events, then one protocol step) until `done` holds, within a generous bound.
    bool ticksUntil(const std::function<bool()>& done) {
        return runUntil([&] {
            protocol.protocolStep();
            return done();
        });
    }
    static bool runUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents();
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }

    TempDir dir;
    QtSerialPort port;
    ScriptedDialogs dialogs;
    FakeStatusLines lines;
    FakePanel panel;
    DeviceLink link{port, dialogs, lines, panel, dir.path() / "cnf.dat"};
    Evaluations evaluator;
    DeviceProtocol protocol{link, evaluator, lines, panel};
    int m_master = -1;
    std::string m_slave;
    bool m_hadXdg = false;
    std::string m_savedXdg;
};

TEST_F(PtyTest, ConversationOverARealPort) {
    dialogs.inputAnswers.push_back("7");
    link.choosePort();
    ASSERT_TRUE(link.isPortOpen()) << lines.text(Line::Info);
    EXPECT_EQ(lines.text(Line::Info), "");
    // The dialog lists what COM7 reaches.
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_NE(dialogs.shown[0].details.find("COM7  " + m_slave), std::string::npos)
        << dialogs.shown[0].details;

    send({170});
    ASSERT_TRUE(ticksUntil([&] { return protocol.state() == ProtocolState::AwaitingBlock; }));
    std::vector<std::uint8_t> sent;
    ASSERT_TRUE(runUntil([&] {
        const auto more = received();
        sent.insert(sent.end(), more.begin(), more.end());
        return !sent.empty();
    }));
    EXPECT_EQ(sent, std::vector<std::uint8_t>{105});

    std::vector<std::uint8_t> block = {2, 4, 0, 0x01, 0x2C, 0, 0, 0x10, 0x27, 1, 2, 3, 4, 5};
    std::uint8_t check = 0;
    for (std::uint8_t b : block) {
        check ^= b;
    }
    block.push_back(check);
    send(block);
    ASSERT_TRUE(ticksUntil([&] { return !evaluator.records.empty(); }));
    EXPECT_EQ(std::vector<std::uint8_t>(evaluator.records[0].begin(), evaluator.records[0].end()),
              block);
    EXPECT_EQ(protocol.state(), ProtocolState::Idle);

    // More than the 1024-byte input queue: the rest waits in the driver and still arrives.
    std::vector<std::uint8_t> flood(2000, 0);
    flood.push_back(167);
    send(flood);
    int mostWaiting = 0;
    ASSERT_TRUE(runUntil([&] {
        mostWaiting = std::max(mostWaiting, link.bytesWaiting());
        protocol.protocolStep();
        return panel.ready;
    }));
    EXPECT_EQ(mostWaiting, 1024);

    protocol.sendCancel();
    ASSERT_TRUE(runUntil([&] { return received() == std::vector<std::uint8_t>{151}; }));
}

TEST_F(PtyTest, DeviceThatGoesAwayClosesThePortOnce) {
    dialogs.inputAnswers.push_back("7");
    link.choosePort();
    ASSERT_TRUE(link.isPortOpen()) << lines.text(Line::Info);
    ::close(m_master); // the device side disappears, like an unplugged adapter
    m_master = -1;
    ASSERT_TRUE(ticksUntil([&] { return !link.isPortOpen(); }));
    protocol.protocolStep();
    EXPECT_EQ(lines.text(Line::Info), "COM-Schnittstelle 7 konnte nicht ge\xF6"
                                      "ffnet werden!");
    // Nothing keeps firing: more turns of the event loop change nothing and open nothing.
    for (int i = 0; i < 50; ++i) {
        QCoreApplication::processEvents();
    }
    EXPECT_FALSE(link.isPortOpen());
    EXPECT_EQ(link.bytesWaiting(), 0);
}

TEST_F(PtyTest, NumberWithoutADeviceDoesNotOpen) {
    if (systemSerialDevices().size() >= 98) {
        GTEST_SKIP() << "this machine lists 98 serial ports";
    }
    dialogs.inputAnswers.push_back("98");
    link.choosePort();
    EXPECT_FALSE(link.isPortOpen());
    EXPECT_EQ(lines.text(Line::Info), "COM-Schnittstelle 98 konnte nicht ge\xF6"
                                      "ffnet werden!");
}

} // namespace
} // namespace quendar

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
