#pragma once
// Number and date texts shared by the status lines, the statistics and the log.

#include "core/clock.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace quendar {

/// Fixed-point text of a single-precision value with `decimals` digits after the point, as the C
/// conversion "%.*f" writes the value widened to double; "+Infinity", "-Infinity" for the
/// infinities and "NaN" for any not-a-number value. The point is the separator whatever the
/// process locale.
[[nodiscard]] std::string formatFixed(float value, int decimals);

/// Decimal text of a signed integer: "-" for negatives, no plus sign, no leading zeros.
[[nodiscard]] std::string formatInteger(std::int64_t value);

/// Copies `mask`, replacing each of the tokens %yyyy %yy %mm %dd %hh %ii %ss (letters in any
/// case, "yyyy" tried before "yy") by that field of `date`; every field but the four-digit year
/// has two digits. A "%" that starts no token is copied unchanged.
[[nodiscard]] std::string formatDate(std::string_view mask, const DateTime& date);

} // namespace quendar
