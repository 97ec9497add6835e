#include "log/log_format.h"

#include "core/format.h"
#include "log/measurement_log.h"

namespace quendar {

namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kDateMask = "%dd.%mm.%yyyy";
constexpr std::string_view kTimeMask = "%hh:%ii:%ss";

// Both prefixes are 40 bytes long, so the dates of the start and end lines line up.
std::string stampLine(std::string_view prefix, const DateTime& now) {
    std::string line(prefix);
    line += formatDate(kDateMask, now);
    line += "  ";
    line += formatDate(kTimeMask, now);
    line += kLineEnd;
    return line;
}

std::string commaNumber(float value) {
    return toDecimalComma(formatFixed(value, 1));
}

} // namespace

std::string withLogExtension(std::string_view path) {
    const std::size_t separator = path.find_last_of("\\/");
    const std::size_t nameStart = separator == std::string_view::npos ? 0 : separator + 1;
    const std::size_t dot = path.rfind('.');
    const bool hasLogExtension =
        dot != std::string_view::npos && dot >= nameStart && path.substr(dot + 1) == "log";
    std::string result(path);
    if (!hasLogExtension) {
        result += ".log";
    }
    return result;
}

std::string logStartLine(const DateTime& now) {
    return stampLine("Tavrilo Start der Messwert-Speicherung: ", now);
}

std::string logHeaderLine() {
    std::string line = "Datum\tZeit\tMa\xDF"
                       "stab\tMessmethode\tMessstrecke in cm\tMesszeit in ms\t"
                       "Geschwindigkeit in Km/h";
    line += kLineEnd;
    return line;
}

std::string logEndLine(const DateTime& now) {
    return stampLine("Tavrilo Ende der Messwert-Speicherung:  ", now);
}

std::string logDataLine(const DateTime& now, std::string_view scaleLabel,
                        std::string_view methodLabel, int distanceMm, float timeMs,
                        float speedKmh) {
    const auto distanceCm = static_cast<float>(static_cast<double>(distanceMm) / 10.0);
    std::string line = formatDate(kDateMask, now);
    line += '\t';
    line += formatDate(kTimeMask, now);
    line += '\t';
    line += scaleLabel;
    line += '\t';
    line += methodLabel;
    line += '\t';
    line += commaNumber(distanceCm);
    line += '\t';
    line += commaNumber(timeMs);
    line += '\t';
    line += commaNumber(speedKmh);
    line += kLineEnd;
    return line;
}

} // namespace quendar
