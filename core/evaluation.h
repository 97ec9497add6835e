#pragma once
// The meaning of one measurement record and its evaluation into texts, digits, a log line and a
// statistics update.

#include "core/ui.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace quendar {

/// The fifteen byte values of one data block from the device (index 14 is the check byte).
using MeasurementRecord = std::array<std::uint8_t, 15>;

/// One row of the scale table.
struct ScaleRow {
    std::string_view label; ///< shown and logged unchanged, e.g. "1:87"
    float ratio;            ///< the scale ratio, e.g. 87
    float factor;           ///< the NEM 661 exaggeration factor
};

/// The ten model scales, indexed by field 1 of a record.
extern const std::array<ScaleRow, 10> kScaleTable;
/// The two method labels (Windows-1252), indexed by field 2 of a record.
extern const std::array<std::string_view, 2> kMethodTable;

/// Receives the data line of every accepted measurement.
class DataLineWriter {
public:
    virtual ~DataLineWriter() = default;
    /// Writes one data line if a log file is open; otherwise does nothing.
    virtual void writeDataLine(std::string_view scaleLabel, std::string_view methodLabel,
                               int distanceMm, float timeMs, float speedKmh) = 0;
};

/// Receives every accepted speed.
class SpeedSink {
public:
    virtual ~SpeedSink() = default;
    /// Counts `speedKmh` if the statistics are on; otherwise does nothing.
    virtual void updateStatistics(float speedKmh) = 0;
};

/// What the device protocol asks of the evaluation.
class ResultEvaluator {
public:
    virtual ~ResultEvaluator() = default;
    /// Turns a record whose check byte was verified into texts, digits, log line and statistics.
    /// Only a valid speed (a number below 1000 km/h from a known scale and method) is logged
    /// and counted.
    virtual void evaluateRecord(const MeasurementRecord& record) = 0;
    /// Puts the distance/time and speed lines back into their waiting form.
    virtual void clearResultTexts() = 0;
};

/// Speed evaluation of measurement records.
class Evaluator final : public ResultEvaluator {
public:
    /// All references must outlive the evaluator.
    Evaluator(StatusLines& lines, PanelControl& panel, DataLineWriter& log, SpeedSink& statistics);

    void evaluateRecord(const MeasurementRecord& record) override;
    void clearResultTexts() override;

    /// Distance in mm of the last record evaluated; 0 before the first.
    [[nodiscard]] int lastDistance() const { return m_lastDistance; }

private:
    StatusLines& m_lines;
    PanelControl& m_panel;
    DataLineWriter& m_log;
    SpeedSink& m_statistics;
    int m_lastDistance = 0;
};

} // namespace quendar
