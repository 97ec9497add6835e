#pragma once
// What the speed panel shows, without any pictures: the image numbers of the three digit fields,
// the running light that moves them, and the ready flag of the unit field. Kept apart from the
// widgets so the tick arithmetic can be checked on its own.

#include "core/ui.h"

#include <array>
#include <string_view>

namespace quendar {

/// Image numbers of the panel pictures.
enum DigitImage : int {
    kFirstDigitImage = 10, ///< 10 to 19 show the digits 0 to 9
    kUnitImage = 30,
    kDashImage = 31,
    kBlankImage = 32,
    kUnitReadyImage = 33,
};

/// One panel picture: its image number, its file in the assets folder, and whether it is scaled
/// to the unit width (else to the digit width).
struct PanelPicture {
    int number;
    std::string_view file;
    bool unitWide;
};

/// The fourteen panel pictures in the order a relayout loads them.
inline constexpr std::array<PanelPicture, 14> kPanelPictures = {{
    {10, "10.jpg", false},
    {11, "11.jpg", false},
    {12, "12.jpg", false},
    {13, "13.jpg", false},
    {14, "14.jpg", false},
    {15, "15.jpg", false},
    {16, "16.jpg", false},
    {17, "17.jpg", false},
    {18, "18.jpg", false},
    {19, "19.jpg", false},
    {kUnitImage, "kmh.jpg", true},
    {kUnitReadyImage, "kmh-bereit.jpg", true},
    {kDashImage, "-.jpg", false},
    {kBlankImage, "blank.jpg", false},
}};

/// The index into kPanelPictures of image `number`, or -1 when no picture has that number.
[[nodiscard]] int pictureSlot(int number);

/// The panel's state: digit images, running light, ready flag.
class PanelState {
public:
    /// Ticks between two steps of the running light.
    static constexpr int kTicksPerStep = 3;

    /// Three dashes, running light off; the step counter and ready flag stay.
    void showDashes();
    /// Puts the dash at the starting end for `direction` and runs the light that way; Off only
    /// stops it. The step counter stays.
    void startRunningLight(RunDirection direction);
    /// Stops the running light where the dash stands.
    void stopRunningLight();
    /// Sets the three image numbers; the running light goes on moving them.
    void showDigitImages(int left, int middle, int right);
    /// Sets the ready flag.
    void setReady(bool ready) { m_ready = ready; }
    /// Counts one tick and, every third tick while the light runs, rotates the digit images.
    void tick();

    /// The image numbers the digit fields show (left, middle, right).
    [[nodiscard]] const std::array<int, 3>& digitFieldImages() const { return m_images; }
    /// The running light's direction, or Off.
    [[nodiscard]] RunDirection runDirection() const { return m_direction; }
    /// Ticks counted towards the next step, 0 to 2 between ticks.
    [[nodiscard]] int stepCounter() const { return m_stepCounter; }
    /// True when the unit field shows the ready picture.
    [[nodiscard]] bool ready() const { return m_ready; }
    /// The image number for the unit field.
    [[nodiscard]] int unitImage() const { return m_ready ? kUnitReadyImage : kUnitImage; }

private:
    std::array<int, 3> m_images{kDashImage, kDashImage, kDashImage};
    RunDirection m_direction = RunDirection::Off;
    int m_stepCounter = 0;
    bool m_ready = false;
};

} // namespace quendar
