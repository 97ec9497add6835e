#include "log/measurement_log.h"

namespace quendar {

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

// Placeholder until the log work lands.
void MeasurementLog::onLogButton(bool) {}

void MeasurementLog::stopLogging() {}

void MeasurementLog::writeDataLine(std::string_view, std::string_view, int, float, float) {}

} // namespace quendar
