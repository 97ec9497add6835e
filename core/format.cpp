#include "core/format.h"

#include <cstdio>

namespace quendar {

// Placeholder until the formatting work lands.
std::string formatFixed(float value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, static_cast<double>(value));
    return buf;
}

std::string formatInteger(std::int64_t value) {
    return std::to_string(value);
}

std::string formatDate(std::string_view mask, const DateTime&) {
    return std::string(mask);
}

} // namespace quendar
