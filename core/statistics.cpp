#include "core/statistics.h"

namespace quendar {

RunningStatistics::RunningStatistics(StatusLines& lines, ButtonControls& buttons)
    : m_lines(lines), m_buttons(buttons) {}

// Placeholder until the statistics work lands.
void RunningStatistics::toggleStatistics(bool pressed) {
    m_on = pressed;
}

void RunningStatistics::updateStatistics(float) {}

} // namespace quendar
