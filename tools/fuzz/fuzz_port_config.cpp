// Fuzzes the reading of "cnf.dat" and of typed numbers: the input is the file's content (and the
// text of the port dialog). Lines never hold a line end, a number does not change when a blank
// goes before it or a non-digit after it, the file read from disk gives what the same bytes give
// in memory, and saving then loading gives the same two values and the exact file bytes.

#include "core/format.h"
#include "device/port_config.h"
#include "fuzz_common.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

namespace quendar::fuzz {
namespace {

std::string fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

void checkNumber(std::string_view text) {
    const std::int32_t value = readConfigNumber(text);
    // Blanks before the number never matter; something that is no digit after it never does.
    FUZZ_CHECK(readConfigNumber(" \t" + std::string(text)) == value);
    FUZZ_CHECK(readConfigNumber(std::string(text) + "x") == value);
    // The decimal text of any value reads back as that value.
    FUZZ_CHECK(readConfigNumber(formatInteger(value)) == value);
}

void checkLines(const std::string& content) {
    std::istringstream in(content);
    std::size_t taken = 0;
    // Each line ends at CR, LF, CR LF, a zero byte or the end; the loop ends at the end since
    // every non-empty round consumes at least one byte.
    for (int round = 0; round <= static_cast<int>(content.size()); ++round) {
        const std::string line = readConfigLine(in);
        FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        taken += line.size();
        if (in.eof()) {
            break;
        }
    }
    FUZZ_CHECK(taken <= content.size());
}

void run(std::string_view content) {
    checkNumber(content);
    checkLines(std::string(content));

    const std::filesystem::path path = scratchDir() / "cnf.dat";
    writeBytes(path, content);
    const std::optional<PortConfig> loaded = readPortConfig(path);
    FUZZ_CHECK(loaded.has_value());

    std::istringstream memory{std::string(content)};
    const std::int32_t port = readConfigNumber(readConfigLine(memory));
    const std::int32_t reserved = readConfigNumber(readConfigLine(memory));
    FUZZ_CHECK(loaded->portNumber == port && loaded->reserved == reserved);

    // Round trip: what is saved loads back unchanged, in the file's exact form.
    FUZZ_CHECK(writePortConfig(path, *loaded));
    const std::string saved = fileBytes(path);
    FUZZ_CHECK(saved == portConfigText(*loaded));
    FUZZ_CHECK(saved == formatInteger(port) + "\r\n" + formatInteger(reserved) + "\r\n");
    const std::optional<PortConfig> again = readPortConfig(path);
    FUZZ_CHECK(again.has_value() && again->portNumber == port && again->reserved == reserved);
}

} // namespace
} // namespace quendar::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quendar::fuzz::run(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
