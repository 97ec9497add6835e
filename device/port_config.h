#pragma once
// The settings file "cnf.dat": two text lines, the port number and a reserved integer, and the
// number reading shared with the port dialog's entry.

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

namespace quendar {

/// The two values kept in "cnf.dat".
struct PortConfig {
    std::int32_t portNumber = 1; ///< the n of "COM" n
    std::int32_t reserved = 0;   ///< unused by the program, written back unchanged
};

/// Reads one line from `in`: it ends at CR, LF, CR LF, a zero byte or the end of the input; the
/// end is not part of the line. At the end of the input the line is empty.
[[nodiscard]] std::string readConfigLine(std::istream& in);

/// Reads a number from the start of `text`: blanks and tabs skipped, an optional sign, then "$"
/// and hex digits, "%" and binary digits, or decimal digits, up to the first character that
/// does not fit. No digits give 0. Values beyond 32 bits wrap around modulo 2^32.
[[nodiscard]] std::int32_t readConfigNumber(std::string_view text);

/// Reads both values from the file at `path`; a missing line gives 0. Empty when the file does
/// not open for reading.
[[nodiscard]] std::optional<PortConfig> readPortConfig(const std::filesystem::path& path);

/// The file's exact bytes: each value in decimal followed by CR LF.
[[nodiscard]] std::string portConfigText(const PortConfig& config);

/// Writes the file whole. It goes to a temporary file beside `path` first and replaces the old
/// file by renaming, so an interrupted write leaves the old file intact; if that fails the file
/// itself is rewritten. Returns false when nothing could be written.
bool writePortConfig(const std::filesystem::path& path, const PortConfig& config);

} // namespace quendar
