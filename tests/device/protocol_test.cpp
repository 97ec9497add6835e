// The device protocol against the fake port through the real device link: every row of the
// state table, the block with its check byte, the time-out, cancel, and a closed port.

#include "device/device_link.h"
#include "device/protocol.h"
#include "fakes/fake_serial_port.h"
#include "fakes/fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quendar {
namespace {

using test::FakePanel;
using test::FakeSerialPort;
using test::FakeStatusLines;
using test::ScriptedDialogs;
using Calls = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

const std::string kNotOpened = "COM-Schnittstelle 1 konnte nicht ge\xF6"
                               "ffnet werden!";

// Notes evaluations and cleared texts in the panel's call list, so one list shows the order.
class RecordingEvaluator final : public ResultEvaluator {
public:
    explicit RecordingEvaluator(Calls& calls) : m_calls(calls) {}
    void evaluateRecord(const MeasurementRecord& record) override {
        m_calls.emplace_back("evaluate");
        records.push_back(record);
    }
    void clearResultTexts() override { m_calls.emplace_back("clearResultTexts"); }
    std::vector<MeasurementRecord> records;

private:
    Calls& m_calls;
};

// A good block: payload bytes and their XOR as byte 14.
Bytes block(Bytes payload) {
    payload.resize(14);
    std::uint8_t check = 0;
    for (std::uint8_t b : payload) {
        check ^= b;
    }
    payload.push_back(check);
    return payload;
}

const Bytes kPayload = {1, 4, 0, 0x01, 0x2C, 0x00, 0x00, 0x10, 0x27, 9, 8, 7, 6, 5};

// The protocol over a link to a fake port, opened as at start-up.
struct Rig {
    Rig() { link.openPort(255); }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    FakeSerialPort port;
    ScriptedDialogs dialogs;
    FakeStatusLines lines;
    FakePanel panel;
    DeviceLink link{port, dialogs, lines, panel, "unused-cnf.dat"};
    RecordingEvaluator evaluator{panel.calls};
    DeviceProtocol protocol{link, evaluator, lines, panel};
};

class ProtocolTest : public ::testing::Test, protected Rig {
protected:
    void steps(int n) {
        for (int i = 0; i < n; ++i) {
            protocol.protocolStep();
        }
    }
    // Takes ResultReady and clears the journal, leaving the protocol awaiting the block.
    void awaitBlock() {
        port.feed({170});
        protocol.protocolStep();
        ASSERT_EQ(protocol.state(), ProtocolState::AwaitingBlock);
        panel.calls.clear();
        port.written.clear();
    }
};

struct StatusCase {
    std::uint8_t byte;
    Calls calls;
    ProtocolState next;
    Bytes written;
};

TEST_F(ProtocolTest, EachStatusByteInIdleActsAsTheTableSays) {
    const StatusCase cases[] = {
        {167, {"ready true"}, ProtocolState::Idle, {}},
        {168, {"start LeftToRight", "ready false", "clearResultTexts"}, ProtocolState::Idle, {}},
        {169, {"start RightToLeft", "ready false", "clearResultTexts"}, ProtocolState::Idle, {}},
        {170, {"stop", "ready false"}, ProtocolState::AwaitingBlock, {105}},
        {171, {"showDashes", "ready false", "clearResultTexts"}, ProtocolState::Idle, {}},
        {0, {}, ProtocolState::Idle, {}},
        {105, {}, ProtocolState::Idle, {}},
        {151, {}, ProtocolState::Idle, {}},
        {166, {}, ProtocolState::Idle, {}},
        {172, {}, ProtocolState::Idle, {}},
        {255, {}, ProtocolState::Idle, {}},
    };
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        Rig fresh;
        fresh.port.feed({c.byte, 167}); // the second byte waits for the next tick
        fresh.protocol.protocolStep();
        EXPECT_EQ(fresh.panel.calls, c.calls);
        EXPECT_EQ(fresh.protocol.state(), c.next);
        EXPECT_EQ(fresh.port.written, c.written);
        EXPECT_EQ(fresh.port.waiting(), 1u);
        EXPECT_EQ(fresh.protocol.waitTicks(), 0);
        EXPECT_EQ(fresh.lines.writes, 0);
    }
}

TEST_F(ProtocolTest, IdleWithNothingWaitingDoesNothing) {
    steps(3);
    EXPECT_TRUE(panel.calls.empty());
    EXPECT_EQ(lines.writes, 0);
    EXPECT_TRUE(port.written.empty());
}

TEST_F(ProtocolTest, ErrorRightAfterAStatusByteDropsIt) {
    port.errorsOnRead = PortErrorOverrun;
    port.feed({168});
    protocol.protocolStep();
    EXPECT_TRUE(panel.calls.empty());
    EXPECT_EQ(port.waiting(), 0u);
    EXPECT_EQ(protocol.state(), ProtocolState::Idle);
    EXPECT_EQ(lines.writes, 0);
}

TEST_F(ProtocolTest, ErrorsRaisedBeforeTheTickAreClearedByTheCount) {
    port.pendingErrors = PortErrorIo;
    port.feed({167});
    protocol.protocolStep();
    EXPECT_EQ(panel.calls, Calls{"ready true"});
}

TEST_F(ProtocolTest, GoodBlockIsEvaluated) {
    const Bytes good = block(kPayload);
    awaitBlock();
    port.feed(good);
    protocol.protocolStep();
    ASSERT_EQ(evaluator.records.size(), 1u);
    EXPECT_EQ(Bytes(evaluator.records[0].begin(), evaluator.records[0].end()), good);
    EXPECT_EQ(panel.calls, Calls{"evaluate"});
    EXPECT_EQ(protocol.state(), ProtocolState::Idle);
    EXPECT_EQ(lines.writes, 0);
}

TEST_F(ProtocolTest, BlockOfZerosPassesTheCheck) {
    awaitBlock();
    port.feed(Bytes(15, 0));
    protocol.protocolStep();
    EXPECT_EQ(evaluator.records.size(), 1u);
}

TEST_F(ProtocolTest, WrongCheckByteShowsErrorFour) {
    Bytes bad = block(kPayload);
    bad[14] ^= 0x01;
    awaitBlock();
    port.feed(bad);
    protocol.protocolStep();
    EXPECT_TRUE(evaluator.records.empty());
    EXPECT_EQ(panel.calls, (Calls{"showDashes", "clearResultTexts"}));
    EXPECT_EQ(lines.text(Line::Info), "Fehler 4 COM-Schnittstelle!");
    EXPECT_EQ(protocol.state(), ProtocolState::Idle);
    // The record still holds the bytes read, check byte included.
    EXPECT_EQ(Bytes(protocol.record().begin(), protocol.record().end()), bad);
}

TEST_F(ProtocolTest, ErrorRightAfterTheBlockReadShowsErrorOneAndLeavesTheRecord) {
    awaitBlock();
    port.feed(block(kPayload));
    port.errorsOnRead = PortErrorReceiveOverflow;
    protocol.protocolStep();
    EXPECT_TRUE(evaluator.records.empty());
    EXPECT_EQ(panel.calls, (Calls{"showDashes", "clearResultTexts"}));
    EXPECT_EQ(lines.text(Line::Info), "Fehler 1 COM-Schnittstelle!");
    EXPECT_EQ(protocol.record(), MeasurementRecord{});
    EXPECT_EQ(protocol.state(), ProtocolState::Idle);
}

TEST_F(ProtocolTest, TwentyBytesGiveTheBlockThenFiveStatusBytesOnePerTick) {
    awaitBlock();
    Bytes input = block(kPayload);
    for (std::uint8_t b : {167, 168, 171, 169, 170}) {
        input.push_back(b);
    }
    port.feed(input);
    protocol.protocolStep();
    EXPECT_EQ(evaluator.records.size(), 1u);
    EXPECT_EQ(port.waiting(), 5u);
    const Calls perTick[] = {
        {"ready true"},
        {"start LeftToRight", "ready false", "clearResultTexts"},
        {"showDashes", "ready false", "clearResultTexts"},
        {"start RightToLeft", "ready false", "clearResultTexts"},
        {"stop", "ready false"},
    };
    for (const Calls& expected : perTick) {
        panel.calls.clear();
        protocol.protocolStep();
        EXPECT_EQ(panel.calls, expected);
    }
    EXPECT_EQ(port.waiting(), 0u);
    EXPECT_EQ(protocol.state(), ProtocolState::AwaitingBlock);
    EXPECT_EQ(port.written, Bytes{105});
}

TEST_F(ProtocolTest, FourteenBytesTimeOutOnTheTwentyFirstTick) {
    awaitBlock();
    port.feed(Bytes(14, 167));
    for (int tick = 1; tick <= 20; ++tick) {
        protocol.protocolStep();
        EXPECT_EQ(protocol.waitTicks(), tick);
    }
    EXPECT_EQ(protocol.state(), ProtocolState::AwaitingBlock);
    EXPECT_TRUE(panel.calls.empty());
    EXPECT_EQ(lines.writes, 0);
    EXPECT_EQ(port.waiting(), 14u);

    protocol.protocolStep();
    EXPECT_EQ(protocol.state(), ProtocolState::Idle);
    EXPECT_EQ(port.waiting(), 0u);
    EXPECT_EQ(panel.calls, (Calls{"showDashes", "clearResultTexts"}));
    EXPECT_EQ(lines.text(Line::Info), "Timeout COM-Schnittstelle!");
    EXPECT_TRUE(evaluator.records.empty());
    EXPECT_EQ(protocol.waitTicks(), 21);
}

TEST_F(ProtocolTest, BlockCompleteInTheTwentyFirstTickIsStillTaken) {
    awaitBlock();
    steps(20);
    port.feed(block(kPayload));
    protocol.protocolStep();
    EXPECT_EQ(evaluator.records.size(), 1u);
    EXPECT_EQ(lines.writes, 0);
    EXPECT_EQ(protocol.waitTicks(), 20);
}

TEST_F(ProtocolTest, StatusBytesWhileAwaitingCountTowardsTheBlock) {
    awaitBlock();
    const Bytes codes = {167, 168, 169, 170, 171, 167, 168};
    port.feed(codes);
    protocol.protocolStep();
    EXPECT_TRUE(panel.calls.empty());
    Bytes rest(7, 0);
    rest.push_back(static_cast<std::uint8_t>(167 ^ 168 ^ 169 ^ 170 ^ 171 ^ 167 ^ 168));
    port.feed(rest);
    protocol.protocolStep();
    EXPECT_EQ(panel.calls, Calls{"evaluate"});
    EXPECT_EQ(evaluator.records[0][0], 167);
}

TEST_F(ProtocolTest, CancelWhileAwaitingSendsAndTheWaitGoesOn) {
    awaitBlock();
    steps(3);
    protocol.sendCancel();
    EXPECT_EQ(port.written, Bytes{151});
    EXPECT_EQ(protocol.state(), ProtocolState::AwaitingBlock);
    EXPECT_EQ(protocol.waitTicks(), 3);
    EXPECT_TRUE(panel.calls.empty());
    EXPECT_EQ(lines.writes, 0);
    port.feed(block(kPayload));
    protocol.protocolStep();
    EXPECT_EQ(evaluator.records.size(), 1u);
}

TEST_F(ProtocolTest, CancelOnAClosedPortSendsAndShowsNothing) {
    link.closePort();
    protocol.sendCancel();
    EXPECT_TRUE(port.written.empty());
    EXPECT_TRUE(panel.calls.empty());
    EXPECT_EQ(lines.writes, 0);
}

TEST_F(ProtocolTest, ClosedPortShowsItsMessageEveryTickAndGivesUpTheWait) {
    awaitBlock();
    steps(5);
    link.closePort();
    lines.setLineText(Line::Measure, "x");
    lines.setLineText(Line::Speed, "y");
    lines.setLineText(Line::Statistics, "kept");
    for (int tick = 0; tick < 30; ++tick) {
        panel.calls.clear();
        protocol.protocolStep();
        EXPECT_EQ(panel.calls, Calls{"showDashes"});
        EXPECT_EQ(lines.text(Line::Info), kNotOpened);
        EXPECT_EQ(lines.text(Line::Measure), "");
        EXPECT_EQ(lines.text(Line::Speed), "");
    }
    EXPECT_EQ(lines.text(Line::Statistics), "kept");
    EXPECT_EQ(protocol.state(), ProtocolState::Idle);
    // Reopened, the late block is no block any more: its first byte is taken as a status byte.
    link.openPort(1024);
    port.feed({171});
    panel.calls.clear();
    protocol.protocolStep();
    EXPECT_EQ(panel.calls, (Calls{"showDashes", "ready false", "clearResultTexts"}));
}

TEST_F(ProtocolTest, ReadyWhileTheRunningLightRunsKeepsItRunning) {
    port.feed({168, 167});
    steps(2);
    EXPECT_EQ(panel.direction, RunDirection::LeftToRight);
    EXPECT_TRUE(panel.ready);
    EXPECT_EQ(panel.calls,
              (Calls{"start LeftToRight", "ready false", "clearResultTexts", "ready true"}));
}

TEST_F(ProtocolTest, WaitSurvivesAPortReopenedMeanwhile) {
    awaitBlock();
    steps(4);
    link.closePort();
    link.openPort(1024); // as the port dialog does, between two ticks
    protocol.protocolStep();
    EXPECT_EQ(protocol.state(), ProtocolState::AwaitingBlock);
    EXPECT_EQ(protocol.waitTicks(), 5);
}

} // namespace
} // namespace quendar
