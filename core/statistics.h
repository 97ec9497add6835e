#pragma once
// Minimum, running mean and maximum of the accepted speeds since the statistics were switched on.

#include "core/evaluation.h"
#include "core/parts.h"
#include "core/ui.h"

namespace quendar {

/// The running statistics behind the statistics button.
class RunningStatistics final : public StatisticsPart, public SpeedSink {
public:
    /// Both references must outlive the statistics.
    RunningStatistics(StatusLines& lines, ButtonControls& buttons);

    void toggleStatistics(bool pressed) override;
    void updateStatistics(float speedKmh) override;

    /// True while switched on.
    [[nodiscard]] bool isOn() const { return m_on; }
    /// Number of speeds counted since switching on (single precision, saturates at 2^24).
    [[nodiscard]] float count() const { return m_count; }
    /// Running mean in km/h.
    [[nodiscard]] float mean() const { return m_mean; }
    /// Smallest speed counted; 1000 right after switching on.
    [[nodiscard]] float min() const { return m_min; }
    /// Largest speed counted; 0 right after switching on.
    [[nodiscard]] float max() const { return m_max; }

private:
    StatusLines& m_lines;
    ButtonControls& m_buttons;
    bool m_on = false;
    float m_count = 0.0f;
    float m_mean = 0.0f;
    float m_min = 0.0f;
    float m_max = 0.0f;
};

} // namespace quendar
