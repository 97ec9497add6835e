#pragma once
// The program holds and writes its texts as Windows-1252 bytes; the screen and the source files
// speak Unicode (UTF-8). These two conversions are the only bridge between them.

#include <string>
#include <string_view>

namespace quendar {

/// Converts Windows-1252 bytes to UTF-8. The five bytes that Windows-1252 leaves undefined
/// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control characters of the same value.
[[nodiscard]] std::string cp1252ToUtf8(std::string_view cp1252);

/// Converts UTF-8 to Windows-1252 bytes; characters that Windows-1252 cannot hold, and malformed
/// UTF-8 sequences, become "?".
[[nodiscard]] std::string utf8ToCp1252(std::string_view utf8);

} // namespace quendar
