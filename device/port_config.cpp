#include "device/port_config.h"

#include "core/format.h"

#include <fstream>
#include <system_error>

namespace quendar {
namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';

// Value of `c` as a digit of `base` (2, 10 or 16), or -1 when it is none.
int digitValue(char c, unsigned base) {
    int value = -1;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    }
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

bool writeWhole(const std::filesystem::path& path, const std::string& bytes,
                std::ios::openmode mode) {
    std::ofstream out(path, mode | std::ios::binary);
    if (!out) {
        return false;
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

} // namespace

std::string readConfigLine(std::istream& in) {
    std::string line;
    for (;;) {
        const int c = in.get();
        if (c == std::char_traits<char>::eof() || c == 0 || c == kLf) {
            return line;
        }
        if (c == kCr) {
            if (in.peek() == kLf) {
                in.get();
            }
            return line;
        }
        line.push_back(static_cast<char>(c));
    }
}

std::int32_t readConfigNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    unsigned base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos < text.size() && text[pos] == '%') {
        base = 2;
        ++pos;
    }
    // Unsigned 32-bit arithmetic: a digit string too long for 32 bits wraps around modulo 2^32,
    // as the plain 32-bit arithmetic this file format grew up with did, and never overflows.
    std::uint32_t value = 0;
    for (; pos < text.size(); ++pos) {
        const int digit = digitValue(text[pos], base);
        if (digit < 0) {
            break;
        }
        value = value * base + static_cast<std::uint32_t>(digit);
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<std::int32_t>(value); // modulo 2^32 since C++20
}

std::optional<PortConfig> readPortConfig(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    PortConfig config;
    config.portNumber = readConfigNumber(readConfigLine(in));
    config.reserved = readConfigNumber(readConfigLine(in));
    return config;
}

std::string portConfigText(const PortConfig& config) {
    return formatInteger(config.portNumber) + "\r\n" + formatInteger(config.reserved) + "\r\n";
}

bool writePortConfig(const std::filesystem::path& path, const PortConfig& config) {
    const std::string bytes = portConfigText(config);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    std::error_code error;
    if (writeWhole(temporary, bytes, std::ios::out | std::ios::trunc)) {
        std::filesystem::rename(temporary, path, error);
        if (!error) {
            return true;
        }
    }
    std::filesystem::remove(temporary, error);
    // The folder may refuse new files while the file itself stays writable: rewrite it in place,
    // first as a new file, then by opening the existing one and cutting it to nothing.
    if (writeWhole(path, bytes, std::ios::out | std::ios::trunc)) {
        return true;
    }
    std::filesystem::resize_file(path, 0, error);
    if (error) {
        return false;
    }
    return writeWhole(path, bytes, std::ios::in | std::ios::out);
}

} // namespace quendar
