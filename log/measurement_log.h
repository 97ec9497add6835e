#pragma once
// The user-chosen measurement log: start line, header, one TAB-separated line per accepted
// measurement, end line.

#include "core/clock.h"
#include "core/evaluation.h"
#include "core/parts.h"
#include "core/ui.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace quendar {

/// Returns `text` with every "." replaced by ",".
[[nodiscard]] std::string toDecimalComma(std::string_view text);

/// The one log file behind the log button.
class MeasurementLog final : public LogPart, public DataLineWriter {
public:
    /// All references must outlive the log.
    MeasurementLog(Dialogs& dialogs, ButtonControls& buttons, const Clock& clock);
    /// Closes an open file without an end line (shutdown normally calls stopLogging first).
    ~MeasurementLog() override;
    MeasurementLog(const MeasurementLog&) = delete;
    MeasurementLog& operator=(const MeasurementLog&) = delete;

    void onLogButton(bool pressed) override;
    void stopLogging() override;
    void writeDataLine(std::string_view scaleLabel, std::string_view methodLabel, int distanceMm,
                       float timeMs, float speedKmh) override;

    /// True while a log file is open.
    [[nodiscard]] bool isOpen() const { return m_file != nullptr; }

private:
    /// Writes one whole line to the open file and hands it to the operating system.
    void writeLine(const std::string& line);

    Dialogs& m_dialogs;
    ButtonControls& m_buttons;
    const Clock& m_clock;
    std::FILE* m_file = nullptr;
};

} // namespace quendar
