#pragma once
// The three picture digits and the km/h picture, the running light, and the layout of the whole
// window that follows its width.

#include "core/parts.h"
#include "core/ui.h"
#include "display/layout.h"
#include "display/panel_state.h"

#include <QPixmap>
#include <QSize>
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
    [[nodiscard]] std::array<int, 3> digitFieldImages() const { return m_state.digitFieldImages(); }
    /// The running light's direction, or Off.
    [[nodiscard]] RunDirection runDirection() const { return m_state.runDirection(); }
    /// Ticks counted towards the next step of the running light.
    [[nodiscard]] int stepCounter() const { return m_state.stepCounter(); }
    /// True while the unit field shows the ready picture.
    [[nodiscard]] bool isReady() const { return m_state.ready(); }
    /// The layout of the last relayout.
    [[nodiscard]] const Layout& layout() const { return m_layout; }
    /// The digit field `index` (0 left to 2 right); null before createFields.
    [[nodiscard]] QLabel* digitField(int index) const;
    /// The unit field; null before createFields.
    [[nodiscard]] QLabel* unitField() const { return m_unitField; }
    /// The scaled picture of image `number`, null when it has none or its file did not load.
    [[nodiscard]] QPixmap picture(int number) const;

private:
    // One numbered picture at its scaled size; `size` is in the window's own units, which differ
    // from the pixmap's pixels on a high-density screen.
    struct Slot {
        QPixmap pixmap;
        QSize size;
    };
    // A field's picture that no slot index can equal: forces the next refresh.
    static constexpr int kUnknownSlot = -2;

    void loadSlot(std::size_t index, int width, int height, qreal dpr);
    // Gives `field` the picture of slot `index` (-1: none); an empty slot leaves it blank.
    void showSlot(QLabel* field, int index);

    MainWindow& m_window;
    PanelState m_state;
    std::array<QLabel*, 3> m_digitFields{};
    QLabel* m_unitField = nullptr;
    std::array<Slot, kPanelPictures.size()> m_slots{};
    std::array<int, 3> m_shownSlots{kUnknownSlot, kUnknownSlot, kUnknownSlot};
    Layout m_layout{};
};

} // namespace quendar
