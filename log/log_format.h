#pragma once
// The texts of the measurement log: file name rule, start, header, data and end lines. Each line
// is Windows-1252 bytes and ends with CR LF.

#include "core/clock.h"

#include <string>
#include <string_view>

namespace quendar {

/// `path` with ".log" appended unless the last path component (behind the last "\" or "/")
/// already ends in the extension "log", compared byte by byte (so "a.LOG" becomes "a.LOG.log").
[[nodiscard]] std::string withLogExtension(std::string_view path);

/// "Tavrilo Start der Messwert-Speicherung: " + date + "  " + time + CR LF.
[[nodiscard]] std::string logStartLine(const DateTime& now);

/// The seven column titles joined by TAB, CR LF (87 bytes + CR LF).
[[nodiscard]] std::string logHeaderLine();

/// "Tavrilo Ende der Messwert-Speicherung:  " + date + "  " + time + CR LF.
[[nodiscard]] std::string logEndLine(const DateTime& now);

/// Date, time, labels and the three numbers (one decimal, decimal comma) joined by TAB, CR LF.
/// The distance is written in cm: `distanceMm` / 10 rounded to single precision.
[[nodiscard]] std::string logDataLine(const DateTime& now, std::string_view scaleLabel,
                                      std::string_view methodLabel, int distanceMm, float timeMs,
                                      float speedKmh);

} // namespace quendar
