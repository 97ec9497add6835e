// Covers the device simulator core: the block builder and its inverse speed formula, the
// exchange with a host that asks for each result, cancel handling, the request time-out, what
// each injected fault puts on the line, pacing, the demo mix and the command-line parser.

#include "sim_device.h"
#include "sim_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace quendar::sim {
namespace {

struct Message {
    long long timeMs;
    std::vector<std::uint8_t> bytes;
    std::string text;
};

bool isStatus(std::uint8_t byte) {
    return byte >= wire::Ready && byte <= wire::Reset;
}

bool isSingle(const Message& message, std::uint8_t byte) {
    return message.bytes.size() == 1 && message.bytes[0] == byte;
}

bool validBlock(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() != kBlockSize) {
        return false;
    }
    Block block{};
    std::copy(bytes.begin(), bytes.end(), block.begin());
    return checkByte(block) == block[14];
}

// Plays the program's side: answers every lone ResultReady with RequestBlock and collects what
// the device sends until `measurements` have ended.
std::vector<Message> playHost(SimDevice& device, int measurements, int stepMs = 10) {
    std::vector<Message> sent;
    for (int guard = 0; guard < 1000000; ++guard) {
        if (device.counters().measurementsEnded >= measurements) {
            break;
        }
        (void)device.advance(stepMs);
        for (const SimEvent& event : device.takeEvents()) {
            if (event.kind != EventKind::Sent) {
                continue;
            }
            sent.push_back({event.timeMs, event.bytes, event.text});
            if (isSingle(sent.back(), wire::ResultReady)) {
                device.receive(wire::RequestBlock);
            }
        }
    }
    return sent;
}

// What the device sent after the first RequestBlock of the n-th result (1-based).
std::vector<Message> afterResult(const std::vector<Message>& sent, int n) {
    auto it = sent.begin();
    for (int seen = 0; it != sent.end(); ++it) {
        if (isSingle(*it, wire::ResultReady) && ++seen == n) {
            return {it + 1, sent.end()};
        }
    }
    return {};
}

SimOptions fixedTrain() {
    SimOptions options;
    options.scale = 5;
    options.method = 0;
    options.distanceMm = 500;
    options.speedsKmh = {156.87};
    return options;
}

// ---- block builder ---------------------------------------------------------------------------

TEST(BlockBuilder, WorkedExampleGivesTheKnownFields) {
    const Block block = buildBlockFromCount(5, 0, 500, 10000);
    const Block expected{0, 5, 0, 5, 0, 0, 0x10, 0x27, 0, 0, 1, 5, 7, 0, 0};
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(block[static_cast<std::size_t>(i)], expected[static_cast<std::size_t>(i)])
            << "field " << i;
    }
    EXPECT_EQ(block[14], 5 ^ 5 ^ 0x10 ^ 0x27 ^ 1 ^ 5 ^ 7);
    EXPECT_NEAR(speedForCount(5, 0, 500, 10000), 156.87f, 0.01f);
    EXPECT_NEAR(speedForCount(5, 1, 500, 10000), 120.67f, 0.01f);
}

struct BuildCase {
    int scale;
    int method;
    int distanceMm;
    double speedKmh;
    std::uint32_t count; // 0: don't check
    std::array<std::uint8_t, 3> distanceFields;
    std::array<std::uint8_t, 3> digits;
    bool overflow;
};

TEST(BlockBuilder, SpeedsBecomeCountsDigitsAndFlags) {
    const BuildCase cases[] = {
        {5, 0, 500, 156.87, 10000, {5, 0, 0}, {1, 5, 7}, false},
        {5, 1, 500, 120.67, 10000, {5, 0, 0}, {1, 2, 1}, false},
        {0, 0, 1234, 50.0, 0, {12, 3, 4}, {0, 5, 0}, false},
        {9, 1, 7, 9.5, 0, {0, 0, 7}, {0, 1, 0}, false},
        {5, 0, 500, 5000.0, 0, {5, 0, 0}, {9, 9, 9}, false},  // capped display
        {5, 0, 500, 0.3, 0, {5, 0, 0}, {0, 0, 0}, false},     // shows nothing yet
        {5, 0, 500, 0.0, 0, {5, 0, 0}, {0, 0, 0}, true},      // standing train
        {9, 0, 25599, 0.01, 0, {255, 9, 9}, {0, 0, 0}, true}, // time beyond 24 bits
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << c.speedKmh << " scale " << c.scale);
        const Block block = buildBlock(c.scale, c.method, c.distanceMm, c.speedKmh);
        EXPECT_EQ(block[1], c.scale);
        EXPECT_EQ(block[2], c.method);
        EXPECT_EQ(block[3], c.distanceFields[0]);
        EXPECT_EQ(block[4], c.distanceFields[1]);
        EXPECT_EQ(block[5], c.distanceFields[2]);
        const std::uint32_t count = block[6] + 256u * block[7] + 65536u * block[8];
        if (c.count != 0) {
            EXPECT_EQ(count, c.count);
        }
        EXPECT_EQ(block[9] != 0, c.overflow);
        if (c.overflow) {
            EXPECT_EQ(count, kMaxCount);
        }
        EXPECT_EQ(block[10], c.digits[0]);
        EXPECT_EQ(block[11], c.digits[1]);
        EXPECT_EQ(block[12], c.digits[2]);
        EXPECT_EQ(block[13], 0);
        EXPECT_EQ(block[14], checkByte(block));
    }
}

TEST(BlockBuilder, InverseGivesBackTheCount) {
    const std::uint32_t counts[] = {1, 7, 999, 10000, 123457, 4000000, kMaxCount};
    for (int scale : {0, 5, 9}) {
        for (int method : {0, 1}) {
            for (std::uint32_t count : counts) {
                const float speed = speedForCount(scale, method, 500, count);
                const std::uint32_t back = countForSpeed(scale, method, 500, speed);
                EXPECT_LE(std::max(back, count) - std::min(back, count), 1u)
                    << "scale " << scale << " method " << method << " count " << count;
            }
        }
    }
}

TEST(BlockBuilder, DisplayRoundsToWholeKmhAndCaps) {
    const struct {
        float speed;
        std::array<std::uint8_t, 3> digits;
    } cases[] = {
        {156.87f, {1, 5, 7}},
        {156.49f, {1, 5, 6}},
        {0.49f, {0, 0, 0}},
        {0.5f, {0, 0, 1}},
        {99.5f, {1, 0, 0}},
        {999.49f, {9, 9, 9}},
        {1000.0f, {9, 9, 9}},
        {std::numeric_limits<float>::infinity(), {9, 9, 9}},
        {std::numeric_limits<float>::quiet_NaN(), {0, 0, 0}},
        {-3.0f, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(displayDigits(c.speed), c.digits) << c.speed;
    }
}

// ---- exchange --------------------------------------------------------------------------------

TEST(Exchange, ReadyRunResultThenBlockOnRequestThenReady) {
    SimDevice device(fixedTrain(), 1);
    const std::vector<Message> sent = playHost(device, 1);
    ASSERT_GE(sent.size(), 5u);
    EXPECT_TRUE(isSingle(sent[0], wire::Ready));
    EXPECT_TRUE(isSingle(sent[1], wire::RunLeftToRight) || isSingle(sent[1], wire::RunRightToLeft));
    EXPECT_TRUE(isSingle(sent[2], wire::ResultReady));
    // The train needs its measuring time (about 1 s) between run and result.
    EXPECT_NEAR(static_cast<double>(sent[2].timeMs - sent[1].timeMs), 998.0, 20.0);
    const Block expected = buildBlock(5, 0, 500, 156.87);
    EXPECT_EQ(sent[3].bytes, std::vector<std::uint8_t>(expected.begin(), expected.end()));
    EXPECT_GE(sent[3].timeMs - sent[2].timeMs, 20);
    EXPECT_TRUE(isSingle(sent[4], wire::Ready));
    EXPECT_EQ(device.counters().blocksGood, 1);
    EXPECT_EQ(device.counters().requestsSeen, 1);
}

TEST(Exchange, WithoutRequestTheResultIsDroppedAndTheNextTrainComes) {
    SimOptions options = fixedTrain();
    options.fastest = true;
    SimDevice device(options, 1);
    std::vector<std::uint8_t> line = device.advance(0);
    ASSERT_EQ(line.back(), wire::ResultReady);
    EXPECT_TRUE(device.advance(SimDevice::kRequestTimeoutMs - 1).empty());
    line = device.advance(1);
    ASSERT_GE(line.size(), 3u);
    EXPECT_EQ(line[0], wire::Ready);
    EXPECT_EQ(line.back(), wire::ResultReady);
    EXPECT_EQ(device.counters().requestTimeouts, 1);
    EXPECT_EQ(device.counters().blocksGood, 0);
}

TEST(Exchange, RequestOutsideTheWaitIsIgnored) {
    SimDevice device(fixedTrain(), 1);
    (void)device.advance(0);
    device.receive(wire::RequestBlock);
    EXPECT_TRUE(device.advance(100).empty());
    EXPECT_EQ(device.counters().requestsIgnored, 1);
}

TEST(Exchange, CountEndsTheRun) {
    SimOptions options = fixedTrain();
    options.count = 3;
    options.fastest = true;
    SimDevice device(options, 1);
    (void)playHost(device, 3);
    EXPECT_TRUE(device.finished());
    EXPECT_EQ(device.counters().blocksGood, 3);
    EXPECT_TRUE(device.advance(60000).empty());
    EXPECT_EQ(device.msUntilNextEvent(), -1);
}

// ---- cancel ----------------------------------------------------------------------------------

TEST(Cancel, AbandonsTheRunInEveryRunPhase) {
    for (const SimDevice::Phase phase :
         {SimDevice::Phase::Running, SimDevice::Phase::AwaitingRequest,
          SimDevice::Phase::BlockDelay}) {
        SCOPED_TRACE(static_cast<int>(phase));
        SimDevice device(fixedTrain(), 1);
        for (int guard = 0; device.phase() != phase && guard < 10000; ++guard) {
            for (std::uint8_t byte : device.advance(1)) {
                if (byte == wire::ResultReady && phase == SimDevice::Phase::BlockDelay) {
                    device.receive(wire::RequestBlock);
                }
            }
        }
        ASSERT_EQ(device.phase(), phase);
        device.receive(wire::CancelMeasurement);
        EXPECT_EQ(device.advance(0), (std::vector<std::uint8_t>{wire::Reset, wire::Ready}));
        EXPECT_EQ(device.phase(), SimDevice::Phase::Gap);
        EXPECT_EQ(device.counters().runsCancelled, 1);
        // The abandoned result is gone: the next thing is the next train's run status.
        const std::vector<std::uint8_t> next = device.advance(10000);
        ASSERT_FALSE(next.empty());
        EXPECT_TRUE(next[0] == wire::RunLeftToRight || next[0] == wire::RunRightToLeft);
        EXPECT_EQ(device.counters().blocksGood, 0);
    }
}

TEST(Cancel, BetweenTrainsChangesNothing) {
    SimDevice device(fixedTrain(), 1);
    (void)device.advance(0);
    ASSERT_EQ(device.phase(), SimDevice::Phase::Gap);
    device.receive(wire::CancelMeasurement);
    EXPECT_TRUE(device.advance(0).empty());
    EXPECT_EQ(device.counters().cancelsSeen, 1);
    EXPECT_EQ(device.counters().runsCancelled, 0);
}

// ---- faults ----------------------------------------------------------------------------------

struct FaultCase {
    Fault fault;
    // Checks what the device sent after the faulty result's ResultReady; `good` is the block a
    // fault-free device would have sent.
    std::function<void(const std::vector<Message>& after, const Block& good)> check;
};

std::vector<std::uint8_t> bytesOf(const Block& block) {
    return {block.begin(), block.end()};
}

void expectSilenceAfter(const std::vector<Message>& after) {
    ASSERT_GE(after.size(), 2u);
    EXPECT_GE(after[1].timeMs - after[0].timeMs, SimDevice::kSilenceMs);
}

TEST(Faults, EachFaultPutsWhatItSaysOnTheLine) {
    const FaultCase cases[] = {
        {Fault::Checksum,
         [](const std::vector<Message>& after, const Block& good) {
             ASSERT_FALSE(after.empty());
             ASSERT_EQ(after[0].bytes.size(), 15u);
             EXPECT_FALSE(validBlock(after[0].bytes));
             EXPECT_TRUE(std::equal(good.begin(), good.begin() + 14, after[0].bytes.begin()));
         }},
        {Fault::Short,
         [](const std::vector<Message>& after, const Block& good) {
             ASSERT_FALSE(after.empty());
             ASSERT_LT(after[0].bytes.size(), 15u);
             EXPECT_TRUE(std::equal(after[0].bytes.begin(), after[0].bytes.end(), good.begin()));
             expectSilenceAfter(after);
         }},
        {Fault::Overflow,
         [](const std::vector<Message>& after, const Block&) {
             ASSERT_FALSE(after.empty());
             ASSERT_TRUE(validBlock(after[0].bytes));
             EXPECT_NE(after[0].bytes[9], 0);
         }},
        {Fault::Dash,
         [](const std::vector<Message>& after, const Block& good) {
             ASSERT_FALSE(after.empty());
             ASSERT_TRUE(validBlock(after[0].bytes));
             EXPECT_NE(after[0].bytes[13], 0);
             EXPECT_TRUE(std::equal(good.begin(), good.begin() + 13, after[0].bytes.begin()));
         }},
        {Fault::Garbage,
         [](const std::vector<Message>& after, const Block& good) {
             ASSERT_FALSE(after.empty());
             EXPECT_NE(after[0].bytes, bytesOf(good));
             if (after[0].bytes.size() >= 15) {
                 const std::vector<std::uint8_t> head(after[0].bytes.begin(),
                                                      after[0].bytes.begin() + 15);
                 EXPECT_FALSE(validBlock(head));
             }
             expectSilenceAfter(after);
         }},
    };
    for (const FaultCase& c : cases) {
        for (std::uint64_t seed : {1u, 2u, 3u, 4u}) {
            SCOPED_TRACE(testing::Message() << faultName(c.fault) << " seed " << seed);
            SimOptions options = fixedTrain();
            options.faults[static_cast<std::size_t>(c.fault)] = FaultRate{0.0, 2};
            SimDevice device(options, seed);
            const std::vector<Message> sent = playHost(device, 3);
            const Block good = buildBlock(5, 0, 500, 156.87);
            // Every second measurement: the first and third are clean.
            for (int n : {1, 3}) {
                const std::vector<Message> after = afterResult(sent, n);
                ASSERT_FALSE(after.empty());
                EXPECT_EQ(after[0].bytes, bytesOf(good)) << "measurement " << n;
            }
            c.check(afterResult(sent, 2), good);
            EXPECT_EQ(device.counters().faults[static_cast<std::size_t>(c.fault)], 1);
            EXPECT_EQ(device.counters().blocksGood, 2);
        }
    }
}

TEST(Faults, NoiseAndBurstComeBetweenMessagesAndSpareTheBlock) {
    for (const Fault fault : {Fault::Noise, Fault::Burst}) {
        for (std::uint64_t seed = 1; seed <= 6; ++seed) {
            SCOPED_TRACE(testing::Message() << faultName(fault) << " seed " << seed);
            SimOptions options = fixedTrain();
            options.faults[static_cast<std::size_t>(fault)] = FaultRate{1.0, 0};
            SimDevice device(options, seed);
            const std::vector<Message> sent = playHost(device, 1);
            const auto extra = std::find_if(sent.begin(), sent.end(), [](const Message& m) {
                return m.text.rfind("noise", 0) == 0 || m.text.rfind("burst", 0) == 0;
            });
            ASSERT_NE(extra, sent.end());
            for (std::uint8_t byte : extra->bytes) {
                // Noise must never look like a status byte; a burst consists of nothing else,
                // and never of ResultReady, which would start a block request of its own.
                EXPECT_EQ(isStatus(byte), fault == Fault::Burst) << int{byte};
                EXPECT_NE(byte, wire::ResultReady);
            }
            if (fault == Fault::Burst) {
                EXPECT_GE(extra->bytes.size(), 3u);
                ASSERT_NE(extra + 1, sent.end());
                EXPECT_TRUE(isSingle(extra[1], wire::RunLeftToRight) ||
                            isSingle(extra[1], wire::RunRightToLeft));
            }
            const std::vector<Message> after = afterResult(sent, 1);
            ASSERT_FALSE(after.empty());
            EXPECT_TRUE(validBlock(after[0].bytes));
            EXPECT_EQ(device.counters().faults[static_cast<std::size_t>(fault)], 1);
            EXPECT_EQ(device.counters().blocksGood, 1);
        }
    }
}

TEST(Faults, ProbabilityStrikesAboutThatOften) {
    SimOptions options = fixedTrain();
    options.fastest = true;
    options.faults[static_cast<std::size_t>(Fault::Checksum)] = FaultRate{0.25, 0};
    SimDevice device(options, 42);
    (void)playHost(device, 400);
    const int hits = device.counters().faults[static_cast<std::size_t>(Fault::Checksum)];
    EXPECT_GT(hits, 60);
    EXPECT_LT(hits, 140);
    EXPECT_EQ(hits + device.counters().blocksGood, 400);
}

// ---- pacing, seeds, scenarios ----------------------------------------------------------------

TEST(Pacing, PaceScalesTheDelaysAndFastestDropsThem) {
    const auto resultTime = [](double pace, bool fastest) {
        SimOptions options = fixedTrain();
        options.pace = pace;
        options.fastest = fastest;
        SimDevice device(options, 9);
        const std::vector<Message> sent = playHost(device, 1, 1);
        const auto it = std::find_if(sent.begin(), sent.end(), [](const Message& m) {
            return isSingle(m, wire::ResultReady);
        });
        return it == sent.end() ? -1LL : it->timeMs;
    };
    const long long realistic = resultTime(1.0, false);
    ASSERT_GT(realistic, 1000);
    EXPECT_NEAR(static_cast<double>(resultTime(0.1, false)), realistic * 0.1, 2.0);
    EXPECT_EQ(resultTime(1.0, true), 0);
}

TEST(Seeds, SameSeedSameLineOtherSeedOtherLine) {
    SimOptions options;
    options.scale = -1;
    options.method = -1;
    options.fastest = true;
    options.faults[static_cast<std::size_t>(Fault::Noise)] = FaultRate{0.3, 0};
    const auto line = [&](std::uint64_t seed) {
        SimDevice device(options, seed);
        std::vector<std::uint8_t> bytes;
        for (const Message& m : playHost(device, 20)) {
            bytes.insert(bytes.end(), m.bytes.begin(), m.bytes.end());
        }
        return bytes;
    };
    EXPECT_EQ(line(5), line(5));
    EXPECT_NE(line(5), line(6));
}

TEST(Scenario, DemoIsMostlyOrdinaryTrainsWithSomeVariety) {
    SimOptions options = demoScenario();
    options.fastest = true;
    SimDevice device(options, 3);
    int otherScale = 0;
    int nem = 0;
    int blocks = 0;
    for (const Message& m : playHost(device, 60)) {
        if (m.bytes.size() != kBlockSize) {
            continue;
        }
        ++blocks;
        ASSERT_TRUE(validBlock(m.bytes));
        otherScale += m.bytes[1] != 5 ? 1 : 0;
        nem += m.bytes[2] != 0 ? 1 : 0;
        EXPECT_EQ(m.bytes[9], 0);
        EXPECT_EQ(m.bytes[13], 0);
        const int shown = 100 * m.bytes[10] + 10 * m.bytes[11] + m.bytes[12];
        EXPECT_GE(shown, 30);
        EXPECT_LE(shown, 160);
    }
    EXPECT_EQ(blocks, 60);
    EXPECT_GT(otherScale, 0);
    EXPECT_LT(otherScale, 30);
    EXPECT_GT(nem, 0);
    EXPECT_LT(nem, 30);
    EXPECT_EQ(device.counters().blocksGood, 60);
}

// ---- command line ----------------------------------------------------------------------------

TEST(CommandLineParser, ReadsOptions) {
    const ParsedCommandLine parsed = parseCommandLine(
        {"--com", "7", "--scale=random", "--method", "1", "--distance", "1200", "--speeds",
         "80,120.5", "--seed", "99", "--pace", "0.2", "--count=5", "--fault-short", "every:3",
         "--fault-noise=0.25", "--quiet", "--no-ready"});
    ASSERT_EQ(parsed.error, "");
    const CommandLine& line = parsed.commandLine;
    EXPECT_EQ(line.com, 7);
    EXPECT_EQ(line.sim.scale, -1);
    EXPECT_EQ(line.sim.method, 1);
    EXPECT_EQ(line.sim.distanceMm, 1200);
    EXPECT_EQ(line.sim.speedsKmh, (std::vector<double>{80.0, 120.5}));
    EXPECT_TRUE(line.seedGiven);
    EXPECT_EQ(line.seed, 99u);
    EXPECT_DOUBLE_EQ(line.sim.pace, 0.2);
    EXPECT_EQ(line.sim.count, 5);
    EXPECT_EQ(line.sim.faults[static_cast<std::size_t>(Fault::Short)].everyK, 3);
    EXPECT_DOUBLE_EQ(line.sim.faults[static_cast<std::size_t>(Fault::Noise)].probability, 0.25);
    EXPECT_TRUE(line.quiet);
    EXPECT_FALSE(line.sim.sendReady);
}

TEST(CommandLineParser, ScenarioIsAPresetThatOptionsRefineInAnyOrder) {
    const ParsedCommandLine parsed = parseCommandLine({"--scale", "7", "--scenario", "demo"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.commandLine.sim.scale, 7);
    EXPECT_DOUBLE_EQ(parsed.commandLine.sim.otherMethodProbability,
                     demoScenario().otherMethodProbability);
    EXPECT_DOUBLE_EQ(parsed.commandLine.sim.randomMinKmh, 30.0);
}

TEST(CommandLineParser, RejectsBadInput) {
    const std::vector<std::vector<std::string>> cases = {
        {"--scale", "10"},
        {"--method", "2"},
        {"--speeds", "80,,90"},
        {"--speeds", "-5"},
        {"--fault-dash", "1.5"},
        {"--fault-dash", "every:0"},
        {"--pace", "0"},
        {"--com"},
        {"--bogus"},
        {"--speeds", "1", "--random"},
        {"--scenario", "party"},
        {"--quiet=1"},
        {"--distance", "25600"},
    };
    for (const auto& args : cases) {
        EXPECT_NE(parseCommandLine(args).error, "") << args[0];
    }
}

} // namespace
} // namespace quendar::sim
