#include "core/statistics.h"

#include "core/format.h"

#include <cmath>
#include <string>

namespace quendar {

namespace {

// The speed limit of the evaluation: every counted speed lies below it.
constexpr float kStartMinimum = 1000.0f;

} // namespace

RunningStatistics::RunningStatistics(StatusLines& lines, ButtonControls& buttons)
    : m_lines(lines), m_buttons(buttons) {}

void RunningStatistics::toggleStatistics(bool pressed) {
    if (!pressed) {
        m_buttons.setTooltip(Button::Statistics, "Statistik-Berechnungen starten");
        m_lines.setLineText(Line::Statistics, "");
        m_on = false;
        return;
    }
    m_buttons.setTooltip(Button::Statistics, "Statistik-Berechnungen beenden");
    m_lines.setLineText(Line::Statistics,
                        "Min ---.-Km/h    Mittelwert ---.---Km/h    Max ---.-Km/h");
    m_count = 0.0f;
    m_mean = 0.0f;
    m_max = 0.0f;
    m_min = kStartMinimum;
    m_on = true;
}

void RunningStatistics::updateStatistics(float speedKmh) {
    // Only finite speeds are counted: one NaN or infinity would spoil the mean for good.
    if (!m_on || !std::isfinite(speedKmh)) {
        return;
    }
    // The mean is carried in single precision, each step evaluated in double precision.
    const double count = static_cast<double>(m_count);
    m_mean = static_cast<float>(
        (static_cast<double>(m_mean) * count + static_cast<double>(speedKmh)) / (count + 1.0));
    m_count = static_cast<float>(count + 1.0);
    if (m_max < speedKmh) {
        m_max = speedKmh;
    }
    if (m_min > speedKmh) {
        m_min = speedKmh;
    }
    m_lines.setLineText(Line::Statistics, "Min " + formatFixed(m_min, 1) + "Km/h    Mittelwert " +
                                              formatFixed(m_mean, 3) + "Km/h    Max " +
                                              formatFixed(m_max, 1) + "Km/h");
}

} // namespace quendar
