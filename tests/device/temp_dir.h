#pragma once
// A fresh, empty folder per test, removed afterwards.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

namespace quendar::test {

/// Creates a unique folder under the system's temp folder; removes it with everything in it.
class TempDir {
public:
    TempDir() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "quendar-device-" + std::to_string(stamp) + "-" +
                           std::to_string(counter++) + "-" + (info ? info->name() : "x");
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        m_path = std::filesystem::temp_directory_path() / name;
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace quendar::test
