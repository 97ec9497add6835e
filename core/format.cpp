#include "core/format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <system_error>

namespace quendar {

std::string formatFixed(float value, int decimals) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0.0f ? "+Infinity" : "-Infinity";
    }
    if (decimals < 0) {
        decimals = 0;
    }
    // std::to_chars writes what "%.*f" writes in the C locale, whatever locale the toolkit has
    // switched the process to: the exact binary value rounded to the nearest text, a value
    // exactly halfway between two texts going to the even neighbour.
    std::string text(48 + static_cast<std::size_t>(decimals), '\0');
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), static_cast<double>(value),
                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc{}) {
        return {};
    }
    text.resize(static_cast<std::size_t>(result.ptr - text.data()));
    return text;
}

std::string formatInteger(std::int64_t value) {
    return std::to_string(value);
}

namespace {

// True if `mask` holds `token` (lower-case letters) at `pos`, letters compared without case.
bool tokenAt(std::string_view mask, std::size_t pos, std::string_view token) {
    if (mask.size() - pos < token.size()) {
        return false;
    }
    for (std::size_t i = 0; i < token.size(); ++i) {
        // ASCII only: the toolkit may have switched the process to another locale.
        char c = mask[pos + i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != token[i]) {
            return false;
        }
    }
    return true;
}

std::string digits(int value, int width) {
    std::array<char, 16> buf{};
    std::snprintf(buf.data(), buf.size(), "%0*d", width, value);
    return buf.data();
}

} // namespace

std::string formatDate(std::string_view mask, const DateTime& date) {
    struct Token {
        std::string_view letters;
        int value;
        int width;
    };
    // "yyyy" must come before "yy" so that the longer token wins.
    const std::array<Token, 7> tokens = {{{"yyyy", date.year, 4},
                                          {"yy", date.year % 100, 2},
                                          {"mm", date.month, 2},
                                          {"dd", date.day, 2},
                                          {"hh", date.hour, 2},
                                          {"ii", date.minute, 2},
                                          {"ss", date.second, 2}}};
    std::string out;
    out.reserve(mask.size() + 8);
    std::size_t pos = 0;
    while (pos < mask.size()) {
        if (mask[pos] != '%') {
            out += mask[pos++];
            continue;
        }
        bool replaced = false;
        for (const Token& token : tokens) {
            if (tokenAt(mask, pos + 1, token.letters)) {
                out += digits(token.value, token.width);
                pos += 1 + token.letters.size();
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            out += mask[pos++];
        }
    }
    return out;
}

} // namespace quendar
