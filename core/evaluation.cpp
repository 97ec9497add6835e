#include "core/evaluation.h"

#include "core/format.h"

#include <cmath>
#include <string>

namespace quendar {

const std::array<ScaleRow, 10> kScaleTable = {{{"1:22,5", 22.5f, 1.1f},
                                               {"1:32", 32.0f, 1.1f},
                                               {"1:43,5", 43.5f, 1.1f},
                                               {"1:45", 45.0f, 1.1f},
                                               {"1:64", 64.0f, 1.2f},
                                               {"1:87", 87.0f, 1.3f},
                                               {"1:120", 120.0f, 1.4f},
                                               {"1:160", 160.0f, 1.5f},
                                               {"1:220", 220.0f, 1.6f},
                                               {"1:450", 450.0f, 1.8f}}};

const std::array<std::string_view, 2> kMethodTable = {"Messung Originalgeschwindigkeit",
                                                      "Messung mit \xDC"
                                                      "berh\xF6hung nach NEM 661"};

Evaluator::Evaluator(StatusLines& lines, PanelControl& panel, DataLineWriter& log,
                     SpeedSink& statistics)
    : m_lines(lines), m_panel(panel), m_log(log), m_statistics(statistics) {}

namespace {

// Every constant of the formulas is a single-precision number; each formula is evaluated in
// double precision from these and rounded to single precision where its result is kept.
constexpr float kTickMs = 0.09982639f;    // length of one time count
constexpr float kMmPerMsToKmh = 3.6f;     // mm/ms to km/h
constexpr float kMmPerCm = 10.0f;         // mm to cm
constexpr float kMiddleWeight = 256.0f;   // byte weights of the time count
constexpr float kHighWeight = 65536.0f;   //
constexpr float kSpeedLimitKmh = 1000.0f; // from here on a speed is shown as too large
constexpr float kNeutralFactor = 1.0f;    // method 0: no exaggeration

constexpr std::string_view kInfoPrefix = "Ma\xDF"
                                         "stab ";
constexpr std::string_view kSeparator = "   /   ";
constexpr std::string_view kDistancePrefix = "Messstrecke   ";
constexpr std::string_view kSpeedPrefix = "Geschwindigkeit   ";
constexpr std::string_view kNoSpeed = "Geschwindigkeit   ---.-Km/h";

enum Field : std::size_t {
    kScale = 1,
    kMethod = 2,
    kHundreds = 3,
    kTens = 4,
    kOnes = 5,
    kCountLow = 6,
    kCountMiddle = 7,
    kCountHigh = 8,
    kTimeOverflow = 9,
    kDigit1 = 10,
    kDigit2 = 11,
    kDigit3 = 12,
    kDashes = 13,
};

std::string distanceText(int distanceMm) {
    const auto cm =
        static_cast<float>(static_cast<double>(distanceMm) / static_cast<double>(kMmPerCm));
    return formatFixed(cm, 1);
}

// A device that reports a scale or method this program has no row for gets its number shown,
// e.g. "?(12)", so the user sees what arrived instead of a wrong or empty label.
std::string unknownRow(int index) {
    return "?(" + formatInteger(index) + ")";
}

} // namespace

void Evaluator::evaluateRecord(const MeasurementRecord& record) {
    const int scale = record[kScale];
    const int method = record[kMethod];
    const bool scaleKnown = scale < static_cast<int>(kScaleTable.size());
    const bool methodKnown = method < static_cast<int>(kMethodTable.size());

    // An unknown scale or method names no table row: the info line shows the number the device
    // sent ("Maßstab ?(12)   /   ..." or "... /   Messmethode ?(7)"); distance and time are
    // shown as usual, but no speed is computed, logged or counted ("---.-"), and the digits
    // still follow the record.
    const std::string scaleLabel =
        scaleKnown ? std::string(kScaleTable[scale].label) : unknownRow(scale);
    const std::string methodLabel =
        methodKnown ? std::string(kMethodTable[method]) : "Messmethode " + unknownRow(method);
    m_lines.setLineText(Line::Info, std::string(kInfoPrefix) + scaleLabel +
                                        std::string(kSeparator) + methodLabel);

    const int distanceMm = 100 * record[kHundreds] + 10 * record[kTens] + record[kOnes];
    m_lastDistance = distanceMm;
    const std::string distance = distanceText(distanceMm);

    if (record[kTimeOverflow] != 0) {
        m_lines.setLineText(Line::Measure, std::string(kDistancePrefix) + distance +
                                               "cm   /   Messzeit zu gro\xDF!");
        m_lines.setLineText(Line::Speed, "Geschwindigkeit   000.0Km/h");
    } else {
        const double count = static_cast<double>(record[kCountLow]) +
                             static_cast<double>(kMiddleWeight) * record[kCountMiddle] +
                             static_cast<double>(kHighWeight) * record[kCountHigh];
        const auto timeMs = static_cast<float>(count * static_cast<double>(kTickMs));
        m_lines.setLineText(Line::Measure, std::string(kDistancePrefix) + distance +
                                               "cm   /   Messzeit   " + formatFixed(timeMs, 1) +
                                               "ms");
        if (!scaleKnown || !methodKnown) {
            m_lines.setLineText(Line::Speed, kNoSpeed);
        } else {
            const ScaleRow& row = kScaleTable[scale];
            const float factor = method == 0 ? kNeutralFactor : row.factor;
            const double numerator = static_cast<double>(row.ratio) *
                                     static_cast<double>(distanceMm) *
                                     static_cast<double>(kMmPerMsToKmh);
            const double denominator = static_cast<double>(timeMs) * static_cast<double>(factor);
            const auto speedKmh = static_cast<float>(numerator / denominator);
            if (std::isnan(speedKmh)) {
                // 0 mm in 0 ms: there is no speed to show, log or count.
                m_lines.setLineText(Line::Speed, kNoSpeed);
            } else if (speedKmh >= kSpeedLimitKmh) {
                m_lines.setLineText(Line::Speed, "Geschwindigkeit zu gro\xDF!");
            } else {
                m_lines.setLineText(Line::Speed,
                                    std::string(kSpeedPrefix) + formatFixed(speedKmh, 1) + "Km/h");
                m_log.writeDataLine(row.label, kMethodTable[method], distanceMm, timeMs, speedKmh);
                m_statistics.updateStatistics(speedKmh);
            }
        }
    }

    if (record[kTimeOverflow] != 0) {
        m_panel.showDigitImages(10, 10, 10);
    } else if (record[kDashes] != 0) {
        m_panel.showDigitImages(31, 31, 31);
    } else {
        m_panel.showDigitImages(record[kDigit1] + 10, record[kDigit2] + 10, record[kDigit3] + 10);
    }
}

void Evaluator::clearResultTexts() {
    m_lines.setLineText(Line::Measure, std::string(kDistancePrefix) + distanceText(m_lastDistance) +
                                           "cm   /   Messzeit   -----.-ms");
    m_lines.setLineText(Line::Speed, kNoSpeed);
}

} // namespace quendar
