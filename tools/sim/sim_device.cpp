#include "sim_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

namespace quendar::sim {

namespace {

// The device counts ticks of this length in ms; the program multiplies with the same
// single-precision constant, so the simulator must too.
constexpr float kTickMs = 0.09982639f;
constexpr float kKmhPerMmPerMs = 3.6f;

// Realistic timing of a layout session, before --pace.
constexpr int kFirstGapMinMs = 1000;
constexpr int kFirstGapMaxMs = 3000;
constexpr int kGapMinMs = 2000;
constexpr int kGapMaxMs = 6000;
constexpr int kRunMinMs = 300;
constexpr int kRunMaxMs = 8000;
constexpr int kBlockDelayMinMs = 20;
constexpr int kBlockDelayMaxMs = 50;

std::string hexBytes(const std::uint8_t* bytes, std::size_t count) {
    std::string text = "[";
    char buffer[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(bytes[i]));
        if (i > 0) {
            text += ' ';
        }
        text += buffer;
    }
    return text + "]";
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    return hexBytes(bytes.data(), bytes.size());
}

std::string statusText(std::uint8_t byte) {
    const char* name = byteName(byte);
    return std::to_string(byte) + " " + (*name != '\0' ? name : "(unknown)");
}

} // namespace

const std::array<ScaleRow, 10>& scaleTable() {
    static const std::array<ScaleRow, 10> table{{
        {"1:22,5", 22.5f, 1.1f},
        {"1:32", 32.0f, 1.1f},
        {"1:43,5", 43.5f, 1.1f},
        {"1:45", 45.0f, 1.1f},
        {"1:64", 64.0f, 1.2f},
        {"1:87", 87.0f, 1.3f},
        {"1:120", 120.0f, 1.4f},
        {"1:160", 160.0f, 1.5f},
        {"1:220", 220.0f, 1.6f},
        {"1:450", 450.0f, 1.8f},
    }};
    return table;
}

std::uint8_t checkByte(const Block& block) {
    std::uint8_t x = 0;
    for (int i = 0; i < kBlockSize - 1; ++i) {
        x ^= block[static_cast<std::size_t>(i)];
    }
    return x;
}

float speedForCount(int scale, int method, int distanceMm, std::uint32_t count) {
    const ScaleRow& row = scaleTable().at(static_cast<std::size_t>(scale));
    const float factor = method == 0 ? 1.0f : row.factor;
    const auto timeMs = static_cast<float>(static_cast<double>(count) * kTickMs);
    const double numerator = static_cast<double>(row.ratio) * distanceMm * kKmhPerMmPerMs;
    const double denominator = static_cast<double>(timeMs) * factor;
    return static_cast<float>(numerator / denominator);
}

std::uint32_t countForSpeed(int scale, int method, int distanceMm, double speedKmh) {
    if (!(speedKmh > 0.0)) {
        return kCountOverflow;
    }
    const ScaleRow& row = scaleTable().at(static_cast<std::size_t>(scale));
    const double factor = method == 0 ? 1.0 : static_cast<double>(row.factor);
    const double timeMs =
        static_cast<double>(row.ratio) * distanceMm * kKmhPerMmPerMs / (speedKmh * factor);
    const double count = std::round(timeMs / static_cast<double>(kTickMs));
    if (count > static_cast<double>(kMaxCount)) {
        return kCountOverflow;
    }
    return std::max<std::uint32_t>(1, static_cast<std::uint32_t>(count));
}

std::array<std::uint8_t, 3> displayDigits(float speedKmh) {
    if (!(speedKmh >= 0.5f)) {
        return {0, 0, 0};
    }
    const int shown = speedKmh >= 999.5f ? 999 : static_cast<int>(std::floor(speedKmh + 0.5f));
    return {static_cast<std::uint8_t>(shown / 100), static_cast<std::uint8_t>(shown / 10 % 10),
            static_cast<std::uint8_t>(shown % 10)};
}

Block buildBlockFromCount(int scale, int method, int distanceMm, std::uint32_t count) {
    Block block{};
    block[1] = static_cast<std::uint8_t>(scale);
    block[2] = static_cast<std::uint8_t>(method);
    block[3] = static_cast<std::uint8_t>(distanceMm / 100);
    block[4] = static_cast<std::uint8_t>(distanceMm / 10 % 10);
    block[5] = static_cast<std::uint8_t>(distanceMm % 10);
    if (count > kMaxCount) {
        block[6] = block[7] = block[8] = 0xFF;
        block[9] = 1;
    } else {
        block[6] = static_cast<std::uint8_t>(count & 0xFF);
        block[7] = static_cast<std::uint8_t>((count >> 8) & 0xFF);
        block[8] = static_cast<std::uint8_t>((count >> 16) & 0xFF);
        const auto digits = displayDigits(speedForCount(scale, method, distanceMm, count));
        block[10] = digits[0];
        block[11] = digits[1];
        block[12] = digits[2];
    }
    block[14] = checkByte(block);
    return block;
}

Block buildBlock(int scale, int method, int distanceMm, double speedKmh) {
    return buildBlockFromCount(scale, method, distanceMm,
                               countForSpeed(scale, method, distanceMm, speedKmh));
}

std::string describeBlock(const Block& block) {
    std::string text;
    const int scale = block[1];
    text += scale < 10 ? scaleTable()[static_cast<std::size_t>(scale)].label
                       : "scale " + std::to_string(scale) + "?";
    if (block[2] != 0) {
        text += " NEM";
    }
    const int distance = 100 * block[3] + 10 * block[4] + block[5];
    text += " " + std::to_string(distance) + " mm";
    if (block[9] != 0) {
        text += " overflow";
    } else if (scale < 10) {
        const std::uint32_t count = block[6] + 256u * block[7] + 65536u * block[8];
        char speed[32];
        std::snprintf(speed, sizeof speed, " %.1f km/h",
                      static_cast<double>(speedForCount(scale, block[2], distance, count)));
        text += speed;
    }
    if (block[13] != 0) {
        text += " dash";
    }
    if (checkByte(block) != block[14]) {
        text += " bad check byte";
    }
    return text + " " + hexBytes(block.data(), block.size());
}

const char* byteName(std::uint8_t byte) {
    switch (byte) {
    case wire::Ready:
        return "Ready";
    case wire::RunLeftToRight:
        return "RunLeftToRight";
    case wire::RunRightToLeft:
        return "RunRightToLeft";
    case wire::ResultReady:
        return "ResultReady";
    case wire::Reset:
        return "Reset";
    case wire::RequestBlock:
        return "RequestBlock";
    case wire::CancelMeasurement:
        return "CancelMeasurement";
    default:
        return "";
    }
}

const char* faultName(Fault fault) {
    switch (fault) {
    case Fault::Checksum:
        return "checksum";
    case Fault::Short:
        return "short";
    case Fault::Overflow:
        return "overflow";
    case Fault::Dash:
        return "dash";
    case Fault::Noise:
        return "noise";
    case Fault::Burst:
        return "burst";
    case Fault::Garbage:
        return "garbage";
    }
    return "?";
}

SimOptions demoScenario() {
    SimOptions options;
    options.scale = 5;
    options.otherScaleProbability = 0.15;
    options.method = 0;
    options.otherMethodProbability = 0.2;
    options.randomMinKmh = 30.0;
    options.randomMaxKmh = 160.0;
    return options;
}

std::string describeEvent(const SimEvent& event) {
    switch (event.kind) {
    case EventKind::Sent:
        return "\xE2\x86\x92 " + event.text; // →
    case EventKind::Received:
        return "\xE2\x86\x90 " + event.text; // ←
    case EventKind::Fault:
        return "! " + event.text;
    case EventKind::Note:
        break;
    }
    return "  " + event.text;
}

SimDevice::SimDevice(SimOptions options, std::uint64_t seed)
    : m_options(std::move(options)), m_rng(seed) {
    if (m_options.sendReady) {
        sendStatus(wire::Ready);
    }
    enter(Phase::Gap, paced(range(kFirstGapMinMs, kFirstGapMaxMs)));
}

double SimDevice::unit() {
    // Spelled out instead of std::uniform_real_distribution so a seed gives the same run with
    // every standard library.
    return static_cast<double>(m_rng() >> 11) * 0x1.0p-53;
}

int SimDevice::range(int lo, int hi) {
    const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
    return lo + static_cast<int>(m_rng() % span);
}

int SimDevice::paced(int realisticMs) const {
    if (m_options.fastest) {
        return 0;
    }
    return static_cast<int>(std::llround(realisticMs * std::max(0.0, m_options.pace)));
}

bool SimDevice::strikes(Fault fault, int index) {
    const FaultRate& rate = m_options.faults[static_cast<std::size_t>(fault)];
    if (rate.everyK > 0) {
        return index % rate.everyK == 0;
    }
    return rate.probability > 0.0 && unit() < rate.probability;
}

void SimDevice::log(EventKind kind, std::vector<std::uint8_t> bytes, std::string text) {
    m_events.push_back(SimEvent{m_nowMs, kind, std::move(bytes), std::move(text)});
}

void SimDevice::send(std::vector<std::uint8_t> bytes, std::string text) {
    m_out.insert(m_out.end(), bytes.begin(), bytes.end());
    log(EventKind::Sent, std::move(bytes), std::move(text));
}

void SimDevice::sendStatus(std::uint8_t code) {
    send({code}, statusText(code));
}

void SimDevice::sendNoise() {
    std::vector<std::uint8_t> noise(static_cast<std::size_t>(range(1, 6)));
    for (auto& byte : noise) {
        // Never a status code: noise must not start a conversation of its own.
        int value = range(0, 250);
        if (value >= wire::Ready) {
            value += wire::Reset - wire::Ready + 1;
        }
        byte = static_cast<std::uint8_t>(value);
    }
    injected(Fault::Noise, std::to_string(noise.size()) + " noise bytes");
    send(noise, "noise " + hexBytes(noise));
}

void SimDevice::injected(Fault fault, std::string detail) {
    ++m_counters.faults[static_cast<std::size_t>(fault)];
    log(EventKind::Fault, {}, std::string("fault ") + faultName(fault) + ": " + detail);
}

void SimDevice::enter(Phase phase, long long delayMs) {
    m_phase = phase;
    m_deadlineMs = m_nowMs + delayMs;
}

void SimDevice::startMeasurement() {
    const int index = ++m_counters.measurementsStarted;
    m_current = Measurement{};

    if (m_options.scale < 0) {
        m_current.scale = range(0, 9);
    } else {
        m_current.scale = m_options.scale;
        if (m_options.otherScaleProbability > 0.0 && unit() < m_options.otherScaleProbability) {
            const int other = range(0, 8);
            m_current.scale = other >= m_options.scale ? other + 1 : other;
        }
    }
    if (m_options.method < 0) {
        m_current.method = range(0, 1);
    } else {
        m_current.method = m_options.method;
        if (m_options.otherMethodProbability > 0.0 && unit() < m_options.otherMethodProbability) {
            m_current.method = m_options.method == 0 ? 1 : 0;
        }
    }
    if (!m_options.speedsKmh.empty()) {
        m_current.speedKmh = m_options.speedsKmh[m_nextSpeed++ % m_options.speedsKmh.size()];
    } else {
        const double span = m_options.randomMaxKmh - m_options.randomMinKmh;
        // Whole hundredths read better in the log than seventeen digits.
        m_current.speedKmh = std::round((m_options.randomMinKmh + unit() * span) * 100.0) / 100.0;
    }
    m_current.leftToRight = unit() < 0.5;
    for (int f = 0; f < kFaultCount; ++f) {
        m_current.faults[static_cast<std::size_t>(f)] = strikes(static_cast<Fault>(f), index);
    }
    // One replacement of the block at most: garbage replaces it, a short block cuts it, and
    // only a whole block can carry wrong fields.
    auto& faults = m_current.faults;
    if (faults[static_cast<std::size_t>(Fault::Garbage)]) {
        faults[static_cast<std::size_t>(Fault::Short)] = false;
    }
    if (faults[static_cast<std::size_t>(Fault::Garbage)] ||
        faults[static_cast<std::size_t>(Fault::Short)]) {
        faults[static_cast<std::size_t>(Fault::Checksum)] = false;
        faults[static_cast<std::size_t>(Fault::Overflow)] = false;
        faults[static_cast<std::size_t>(Fault::Dash)] = false;
    }
    m_current.noiseSlot = range(0, 2);

    char text[128];
    std::snprintf(text, sizeof text, "measurement %d: %s%s %d mm %.2f km/h %s", index,
                  scaleTable()[static_cast<std::size_t>(m_current.scale)].label,
                  m_current.method != 0 ? " NEM" : "", m_options.distanceMm, m_current.speedKmh,
                  m_current.leftToRight ? "left to right" : "right to left");
    log(EventKind::Note, {}, text);

    if (faults[static_cast<std::size_t>(Fault::Noise)] && m_current.noiseSlot == 0) {
        sendNoise();
    }
    if (faults[static_cast<std::size_t>(Fault::Burst)]) {
        static constexpr std::array<std::uint8_t, 4> kCodes{wire::Ready, wire::RunLeftToRight,
                                                            wire::RunRightToLeft, wire::Reset};
        std::vector<std::uint8_t> burst(static_cast<std::size_t>(range(3, 10)));
        for (auto& byte : burst) {
            byte = kCodes[static_cast<std::size_t>(range(0, 3))];
        }
        injected(Fault::Burst, std::to_string(burst.size()) + " status bytes");
        send(burst, "burst " + hexBytes(burst));
    }
    sendStatus(m_current.leftToRight ? wire::RunLeftToRight : wire::RunRightToLeft);

    // The train needs its measuring time to cross the section.
    const std::uint32_t count =
        countForSpeed(m_current.scale, m_current.method, m_options.distanceMm, m_current.speedKmh);
    const double runMs = count > kMaxCount ? kRunMaxMs : count * static_cast<double>(kTickMs);
    enter(Phase::Running, paced(std::clamp(static_cast<int>(runMs), kRunMinMs, kRunMaxMs)));
}

void SimDevice::sendResultReady() {
    if (m_current.faults[static_cast<std::size_t>(Fault::Noise)] && m_current.noiseSlot == 1) {
        sendNoise();
    }
    sendStatus(wire::ResultReady);
    enter(Phase::AwaitingRequest, kRequestTimeoutMs);
}

void SimDevice::sendBlock() {
    const auto& faults = m_current.faults;
    const auto has = [&](Fault f) { return faults[static_cast<std::size_t>(f)]; };

    if (has(Fault::Garbage)) {
        std::vector<std::uint8_t> garbage(static_cast<std::size_t>(range(5, 30)));
        for (auto& byte : garbage) {
            byte = static_cast<std::uint8_t>(range(0, 255));
        }
        if (garbage.size() >= kBlockSize) {
            Block head{};
            std::copy_n(garbage.begin(), kBlockSize, head.begin());
            if (checkByte(head) == head[14]) {
                garbage[14] ^= 0x5A; // garbage that happens to pass would be no fault
            }
        }
        injected(Fault::Garbage, std::to_string(garbage.size()) + " random bytes");
        send(garbage, "garbage " + hexBytes(garbage));
        enter(Phase::Silence, kSilenceMs);
        return;
    }

    Block block =
        buildBlock(m_current.scale, m_current.method, m_options.distanceMm, m_current.speedKmh);
    if (has(Fault::Short)) {
        const auto length = static_cast<std::size_t>(range(1, kBlockSize - 1));
        std::vector<std::uint8_t> part(block.begin(), block.begin() + static_cast<long>(length));
        injected(Fault::Short, std::to_string(length) + " of 15 bytes");
        send(part, "short block " + hexBytes(part));
        enter(Phase::Silence, kSilenceMs);
        return;
    }
    if (has(Fault::Overflow)) {
        block[6] = block[7] = block[8] = 0xFF;
        block[9] = 1;
        block[10] = block[11] = block[12] = 0;
        injected(Fault::Overflow, "time-overflow flag set");
    }
    if (has(Fault::Dash)) {
        block[13] = 1;
        injected(Fault::Dash, "dash flag set");
    }
    block[14] = checkByte(block);
    if (has(Fault::Checksum)) {
        block[14] = static_cast<std::uint8_t>(block[14] ^ range(1, 255));
        injected(Fault::Checksum, "check byte off");
    }
    if (!has(Fault::Overflow) && !has(Fault::Dash) && !has(Fault::Checksum)) {
        ++m_counters.blocksGood;
    }
    send(std::vector<std::uint8_t>(block.begin(), block.end()), "block " + describeBlock(block));
    endMeasurement();
}

void SimDevice::endMeasurement() {
    ++m_counters.measurementsEnded;
    if (m_current.faults[static_cast<std::size_t>(Fault::Noise)] && m_current.noiseSlot == 2) {
        sendNoise();
    }
    if (m_options.sendReady) {
        sendStatus(wire::Ready);
    }
    if (m_options.count > 0 && m_counters.measurementsEnded >= m_options.count) {
        m_phase = Phase::Finished;
        log(EventKind::Note, {},
            "finished after " + std::to_string(m_counters.measurementsEnded) + " measurements");
        return;
    }
    enter(Phase::Gap, paced(range(kGapMinMs, kGapMaxMs)));
}

void SimDevice::receive(std::uint8_t byte) {
    log(EventKind::Received, {byte}, statusText(byte));
    switch (byte) {
    case wire::RequestBlock:
        ++m_counters.requestsSeen;
        if (m_phase != Phase::AwaitingRequest) {
            ++m_counters.requestsIgnored;
            log(EventKind::Note, {}, "no result waiting, request ignored");
            return;
        }
        enter(Phase::BlockDelay, m_options.fastest ? 0 : range(kBlockDelayMinMs, kBlockDelayMaxMs));
        return;
    case wire::CancelMeasurement:
        ++m_counters.cancelsSeen;
        if (m_phase != Phase::Running && m_phase != Phase::AwaitingRequest &&
            m_phase != Phase::BlockDelay) {
            log(EventKind::Note, {}, "no run to cancel");
            return;
        }
        ++m_counters.runsCancelled;
        log(EventKind::Note, {}, "run abandoned");
        sendStatus(wire::Reset);
        endMeasurement();
        return;
    default:
        ++m_counters.unknownBytes;
        return;
    }
}

std::vector<std::uint8_t> SimDevice::advance(int elapsedMs) {
    const long long target = m_nowMs + std::max(0, elapsedMs);
    // Every phase but Finished has a deadline, and the wait for RequestBlock is never zero, so
    // this ends even when all paced delays are zero.
    while (m_phase != Phase::Finished && m_deadlineMs <= target) {
        m_nowMs = std::max(m_nowMs, m_deadlineMs);
        switch (m_phase) {
        case Phase::Gap:
            startMeasurement();
            break;
        case Phase::Running:
            sendResultReady();
            break;
        case Phase::AwaitingRequest:
            ++m_counters.requestTimeouts;
            log(EventKind::Note, {},
                "no RequestBlock within " + std::to_string(kRequestTimeoutMs) +
                    " ms, result dropped");
            endMeasurement();
            break;
        case Phase::BlockDelay:
            sendBlock();
            break;
        case Phase::Silence:
            endMeasurement();
            break;
        case Phase::Finished:
            break;
        }
    }
    m_nowMs = target;
    return std::exchange(m_out, {});
}

long long SimDevice::msUntilNextEvent() const {
    if (!m_out.empty()) {
        return 0;
    }
    if (m_phase == Phase::Finished) {
        return -1;
    }
    return std::max(0LL, m_deadlineMs - m_nowMs);
}

std::vector<SimEvent> SimDevice::takeEvents() {
    return std::exchange(m_events, {});
}

} // namespace quendar::sim
