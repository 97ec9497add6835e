#pragma once
// Helpers shared by the fuzz targets: a failing check that ends the run with a message, a reader
// that turns the fuzzer's bytes into decisions, and a scratch folder outside the source tree.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

/// Ends the run (libFuzzer keeps the input as a crash) when `cond` is false.
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond);          \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace quendar::fuzz {

/// Hands out the fuzzer's bytes one decision at a time; 0 once they are used up.
class ByteReader {
public:
    /// `data` must outlive the reader.
    ByteReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    /// The next byte, or 0 at the end.
    std::uint8_t next() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    /// True once every byte has been handed out.
    [[nodiscard]] bool done() const { return m_pos >= m_size; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

/// A folder of its own under the system's temporary folder, removed when the process exits.
/// Created on the first call.
inline std::filesystem::path scratchDir() {
    // A plain array: it is still there when the exit handler runs after static destructors.
    static char dir[4096] = {};
    if (dir[0] == '\0') {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error) {
            base = "/tmp";
        }
        const std::string pattern = (base / "quendar-fuzz-XXXXXX").string();
        FUZZ_CHECK(pattern.size() < sizeof dir);
        pattern.copy(dir, pattern.size());
        if (mkdtemp(dir) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(dir, ignored);
        });
    }
    return dir;
}

} // namespace quendar::fuzz
