#pragma once
// The speed-measuring device as a pure state machine over simulated time: it decides what the
// device sends and when, reacts to the two host commands, and injects faults on request. No Qt,
// no operating-system calls, so the end-to-end tests and soak runs can drive it tick by tick.

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace quendar::sim {

/// Bytes of one data block including the check byte.
inline constexpr int kBlockSize = 15;
/// One data block as it goes on the wire.
using Block = std::array<std::uint8_t, kBlockSize>;
/// Largest time count the three count bytes can carry.
inline constexpr std::uint32_t kMaxCount = 0xFFFFFF;
/// Result of countForSpeed when the measuring time does not fit into the count bytes.
inline constexpr std::uint32_t kCountOverflow = kMaxCount + 1;
/// Largest distance the three distance fields can carry (hundreds field up to 255).
inline constexpr int kMaxDistanceMm = 255 * 100 + 99;

/// Status bytes the device sends and command bytes it understands.
namespace wire {
inline constexpr std::uint8_t Ready = 167;
inline constexpr std::uint8_t RunLeftToRight = 168;
inline constexpr std::uint8_t RunRightToLeft = 169;
inline constexpr std::uint8_t ResultReady = 170;
inline constexpr std::uint8_t Reset = 171;
inline constexpr std::uint8_t RequestBlock = 105;
inline constexpr std::uint8_t CancelMeasurement = 151;
} // namespace wire

/// One row of the device's scale selector.
struct ScaleRow {
    const char* label;
    float ratio;
    float factor; ///< exaggeration factor for the NEM 661 method
};

/// The ten scales the device can report, indexed by block field 1.
[[nodiscard]] const std::array<ScaleRow, 10>& scaleTable();

/// XOR of bytes 0 to 13, the value byte 14 must hold.
[[nodiscard]] std::uint8_t checkByte(const Block& block);

/// The speed the program computes from a block, in single precision as it does:
/// v = ratio x d x 3.6 / (count x 0.09982639 x factor); factor 1 for method 0.
/// Scale 0-9, any method (non-zero applies the factor); infinite for count 0 and d > 0.
[[nodiscard]] float speedForCount(int scale, int method, int distanceMm, std::uint32_t count);

/// The time count a train at `speedKmh` produces over the distance, rounded to the nearest
/// count and at least 1; kCountOverflow if the time is too long for 24 bits or the speed is 0
/// or negative. speedForCount of the result gives back the speed within the rounding of one count.
[[nodiscard]] std::uint32_t countForSpeed(int scale, int method, int distanceMm, double speedKmh);

/// The three digits a three-digit display shows for a speed: rounded to whole km/h (halves
/// up), capped at 999, 0 for anything below 0.5 or not a number. 156.87 shows 1, 5, 7.
[[nodiscard]] std::array<std::uint8_t, 3> displayDigits(float speedKmh);

/// A correct block for a measured time count: field 0 = 0, scale, method, distance as
/// hundreds/tens/units, count little-endian in fields 6-8, digits of speedForCount in fields
/// 10-12, no dash, check byte. A count above kMaxCount sets the overflow flag (field 9) with
/// count bytes FF FF FF and digits 0, 0, 0. Scale 0-9, distance 0 to kMaxDistanceMm.
[[nodiscard]] Block buildBlockFromCount(int scale, int method, int distanceMm, std::uint32_t count);

/// buildBlockFromCount with the count of countForSpeed.
[[nodiscard]] Block buildBlock(int scale, int method, int distanceMm, double speedKmh);

/// Readable form of a block: "1:87 500 mm 156.9 km/h [00 05 ...]"; method 1 adds "NEM",
/// the flags add "overflow" / "dash" / "bad check byte".
[[nodiscard]] std::string describeBlock(const Block& block);

/// Name of a status or command byte ("RunLeftToRight", "RequestBlock"), "" for other values.
[[nodiscard]] const char* byteName(std::uint8_t byte);

/// The faults the simulator can inject.
enum class Fault : int {
    Checksum, ///< block with a wrong check byte
    Short,    ///< block cut short, then silence until the program has timed out
    Overflow, ///< block with the time-overflow flag
    Dash,     ///< block with the dash flag
    Noise,    ///< a few bytes that are no status code between two messages
    Burst,    ///< a burst of status bytes before the run status
    Garbage,  ///< random bytes instead of the block, then silence
};
/// Number of Fault values.
inline constexpr int kFaultCount = 7;
/// Lower-case name as used by the command line ("checksum", "short", ...).
[[nodiscard]] const char* faultName(Fault fault);

/// How often a fault strikes: with a probability per measurement, or every k-th measurement
/// (everyK > 0 wins over the probability).
struct FaultRate {
    double probability = 0.0;
    int everyK = 0;
};

/// Everything that shapes the simulated device's behaviour.
struct SimOptions {
    int scale = 5;                       ///< 0-9, or -1 for a random scale per measurement
    int method = 0;                      ///< 0/1, or -1 for a random method per measurement
    double otherScaleProbability = 0.0;  ///< chance of a random other scale instead of `scale`
    double otherMethodProbability = 0.0; ///< chance of the other method instead of `method`
    int distanceMm = 500;                ///< 0 to kMaxDistanceMm
    std::vector<double> speedsKmh;       ///< cycled in order; empty: random speeds
    double randomMinKmh = 10.0;          ///< range of random speeds
    double randomMaxKmh = 300.0;
    double pace = 1.0;     ///< multiplies the realistic delays (0.1 = ten times faster)
    bool fastest = false;  ///< no delays at all except the silences the program needs
    bool sendReady = true; ///< Ready at start and after each measurement
    int count = 0;         ///< measurements until finished(); 0 = endless
    std::array<FaultRate, kFaultCount> faults{}; ///< indexed by Fault
};

/// The options of the pleasant demo mix: mostly 1:87 without exaggeration, trains at 30 to
/// 160 km/h, now and then another scale or the NEM 661 method, no faults.
[[nodiscard]] SimOptions demoScenario();

/// What happened on the line or inside the device.
enum class EventKind { Sent, Received, Fault, Note };

/// One entry of the event log.
struct SimEvent {
    long long timeMs = 0; ///< simulated time since the start
    EventKind kind = EventKind::Note;
    std::vector<std::uint8_t> bytes; ///< the bytes sent or received, if any
    std::string text;                ///< readable description without direction arrow
};

/// Readable line for an event: "→ 168 RunLeftToRight", "← 105 RequestBlock", "! fault ...".
[[nodiscard]] std::string describeEvent(const SimEvent& event);

/// What the device has done so far.
struct SimCounters {
    int measurementsStarted = 0;
    int measurementsEnded = 0;             ///< with a block, a missing request or a cancel
    int blocksGood = 0;                    ///< blocks sent without any fault
    int requestsSeen = 0;                  ///< RequestBlock bytes received
    int requestsIgnored = 0;               ///< RequestBlock outside the wait for it
    int requestTimeouts = 0;               ///< results given up because no RequestBlock came
    int cancelsSeen = 0;                   ///< CancelMeasurement bytes received
    int runsCancelled = 0;                 ///< runs abandoned because of a cancel
    int unknownBytes = 0;                  ///< received bytes that are no command
    std::array<int, kFaultCount> faults{}; ///< injections per Fault
};

/// The device: feed it the bytes the program sends and the time that passes; it returns the
/// bytes to send. Deterministic for given options and seed.
class SimDevice {
public:
    /// Phases of one measurement cycle.
    enum class Phase { Gap, Running, AwaitingRequest, BlockDelay, Silence, Finished };

    /// How long the device waits for RequestBlock after ResultReady.
    static constexpr int kRequestTimeoutMs = 5000;
    /// Silence after a short block or garbage, longer than the program's block time-out.
    static constexpr int kSilenceMs = 3000;

    /// Options are taken as given (the caller validates them).
    SimDevice(SimOptions options, std::uint64_t seed);

    /// Takes one byte from the program; any reply is returned by the next advance().
    void receive(std::uint8_t byte);
    /// Lets `elapsedMs` of simulated time pass (0 is fine) and returns the bytes due now.
    [[nodiscard]] std::vector<std::uint8_t> advance(int elapsedMs);
    /// Milliseconds until the device next acts by itself (0 if bytes are due); -1 once finished.
    [[nodiscard]] long long msUntilNextEvent() const;

    /// Events since the last call, oldest first; the device keeps no other copy.
    [[nodiscard]] std::vector<SimEvent> takeEvents();
    /// Counters since the start.
    [[nodiscard]] const SimCounters& counters() const { return m_counters; }
    /// Current phase.
    [[nodiscard]] Phase phase() const { return m_phase; }
    /// True once `count` measurements have ended (never for count 0).
    [[nodiscard]] bool finished() const { return m_phase == Phase::Finished; }
    /// Simulated time since the start.
    [[nodiscard]] long long nowMs() const { return m_nowMs; }

private:
    struct Measurement {
        int scale = 5;
        int method = 0;
        double speedKmh = 0.0;
        bool leftToRight = true;
        std::array<bool, kFaultCount> faults{};
        int noiseSlot = 0; // 0: before Run, 1: before ResultReady, 2: before the closing Ready
    };

    double unit();
    int range(int lo, int hi);
    int paced(int realisticMs) const;
    bool strikes(Fault fault, int index);
    void log(EventKind kind, std::vector<std::uint8_t> bytes, std::string text);
    void send(std::vector<std::uint8_t> bytes, std::string text);
    void sendStatus(std::uint8_t code);
    void sendNoise();
    void injected(Fault fault, std::string detail);
    void startMeasurement();
    void sendResultReady();
    void sendBlock();
    void endMeasurement();
    void enter(Phase phase, long long delayMs);

    SimOptions m_options;
    std::mt19937_64 m_rng;
    long long m_nowMs = 0;
    long long m_deadlineMs = 0;
    Phase m_phase = Phase::Gap;
    bool m_startReadyPending = true;
    std::size_t m_nextSpeed = 0;
    Measurement m_current;
    std::vector<std::uint8_t> m_out;
    std::vector<SimEvent> m_events;
    SimCounters m_counters;
};

} // namespace quendar::sim
