#pragma once
// The three picture digits and the km/h picture, the running light, and the layout of the whole
// window that follows its width.

#include "core/parts.h"
#include "core/ui.h"
#include "display/layout.h"

#include <QPixmap>
#include <QString>

#include <array>

class QLabel;

namespace quendar {

class MainWindow;

/// The speed digit panel.
class SpeedPanel final : public PanelPart, public PanelControl {
public:
    /// `window` must outlive the panel; pictures are read from its assets folder.
    explicit SpeedPanel(MainWindow& window);
    ~SpeedPanel() override;
    SpeedPanel(const SpeedPanel&) = delete;
    SpeedPanel& operator=(const SpeedPanel&) = delete;

    // PanelPart
    void createFields() override;
    void relayout() override;
    void tick() override;

    // PanelControl
    void showDashes() override;
    void startRunningLight(RunDirection direction) override;
    void stopRunningLight() override;
    void setReady(bool ready) override;
    void showDigitImages(int left, int middle, int right) override;

    /// The image numbers the digit fields show at the next tick (left, middle, right).
    [[nodiscard]] std::array<int, 3> digitFieldImages() const { return m_images; }
    /// The running light's direction, or Off.
    [[nodiscard]] RunDirection runDirection() const { return m_direction; }
    /// Ticks counted towards the next step of the running light.
    [[nodiscard]] int stepCounter() const { return m_stepCounter; }
    /// True while the unit field shows the ready picture.
    [[nodiscard]] bool isReady() const { return m_ready; }
    /// The layout of the last relayout.
    [[nodiscard]] const Layout& layout() const { return m_layout; }

private:
    MainWindow& m_window;
    std::array<QLabel*, 3> m_digitFields{};
    QLabel* m_unitField = nullptr;
    std::array<int, 3> m_images{31, 31, 31};
    RunDirection m_direction = RunDirection::Off;
    int m_stepCounter = 0;
    bool m_ready = false;
    Layout m_layout{};
};

} // namespace quendar
