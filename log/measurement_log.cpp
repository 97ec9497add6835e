#include "log/measurement_log.h"

#include "log/log_format.h"

#include <cmath>
#include <filesystem>

#ifdef _WIN32
#include <io.h>
#include <share.h>
#else
#include <unistd.h>
#endif

namespace quendar {

namespace {

constexpr std::string_view kTooltipStart = "Messwert-Speicherung starten";
constexpr std::string_view kTooltipStop = "Messwert-Speicherung beenden";

// The dialog hands over UTF-8 (the platform's own encoding outside Windows); going through a
// UTF-8 path lets Windows open names outside its ANSI code page as well.
std::filesystem::path pathFromUtf8(const std::string& utf8) {
    return {std::u8string(utf8.begin(), utf8.end())};
}

// Creates the file anew, replacing an existing one; if that is refused, opens the existing file
// for writing and truncates it. Other programs may read the file but not write it (Windows).
// Returns nullptr if neither works.
std::FILE* createLogFile(const std::filesystem::path& path) {
#ifdef _WIN32
    std::FILE* file = _wfsopen(path.c_str(), L"wb", _SH_DENYWR);
    if (file != nullptr) {
        return file;
    }
    file = _wfsopen(path.c_str(), L"r+b", _SH_DENYWR);
    if (file != nullptr && _chsize_s(_fileno(file), 0) != 0) {
        std::fclose(file);
        return nullptr;
    }
    return file;
#else
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file != nullptr) {
        return file;
    }
    file = std::fopen(path.c_str(), "r+b");
    if (file != nullptr && ftruncate(fileno(file), 0) != 0) {
        std::fclose(file);
        return nullptr;
    }
    return file;
#endif
}

} // namespace

std::string toDecimalComma(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == '.') {
            c = ',';
        }
    }
    return out;
}

MeasurementLog::MeasurementLog(Dialogs& dialogs, ButtonControls& buttons, const Clock& clock)
    : m_dialogs(dialogs), m_buttons(buttons), m_clock(clock) {}

MeasurementLog::~MeasurementLog() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

void MeasurementLog::onLogButton(bool pressed) {
    if (!pressed) {
        stopLogging();
        m_buttons.setTooltip(Button::Log, kTooltipStart);
        return;
    }
    // The button toggles, so a file is never open here; should one be, finish it properly.
    stopLogging();

    const std::string chosen =
        m_dialogs.saveFileName("Messdaten speichern unter....", "Log-Datei (*.log)");
    if (chosen.empty()) {
        m_buttons.release(Button::Log);
        return;
    }
    // When the file cannot be created the button stays pressed without a file ("on without
    // file"): nothing is written until the user switches off, and no message is shown.
    m_file = createLogFile(pathFromUtf8(withLogExtension(chosen)));
    if (m_file != nullptr) {
        const DateTime now = m_clock.now();
        writeLine(logStartLine(now));
        writeLine(logHeaderLine());
    }
    m_buttons.setTooltip(Button::Log, kTooltipStop);
}

void MeasurementLog::stopLogging() {
    if (m_file == nullptr) {
        return;
    }
    writeLine(logEndLine(m_clock.now()));
    std::fclose(m_file);
    m_file = nullptr;
}

void MeasurementLog::writeDataLine(std::string_view scaleLabel, std::string_view methodLabel,
                                   int distanceMm, float timeMs, float speedKmh) {
    // The evaluation passes only valid speeds; a NaN or infinity would be no measurement at all.
    if (m_file == nullptr || !std::isfinite(timeMs) || !std::isfinite(speedKmh)) {
        return;
    }
    writeLine(logDataLine(m_clock.now(), scaleLabel, methodLabel, distanceMm, timeMs, speedKmh));
}

void MeasurementLog::writeLine(const std::string& line) {
    // Each line goes to the operating system at once, so a killed program or a crash loses no
    // logged measurement. Write errors (a full disk) are not reported; logging goes on.
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fflush(m_file);
}

} // namespace quendar
