#include "display/panel_state.h"

namespace quendar {

int pictureSlot(int number) {
    for (std::size_t i = 0; i < kPanelPictures.size(); ++i) {
        if (kPanelPictures[i].number == number) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void PanelState::showDashes() {
    m_images = {kDashImage, kDashImage, kDashImage};
    m_direction = RunDirection::Off;
}

void PanelState::startRunningLight(RunDirection direction) {
    if (direction == RunDirection::LeftToRight) {
        m_images = {kDashImage, kBlankImage, kBlankImage};
    } else if (direction == RunDirection::RightToLeft) {
        m_images = {kBlankImage, kBlankImage, kDashImage};
    }
    m_direction = direction;
}

void PanelState::stopRunningLight() {
    m_direction = RunDirection::Off;
}

void PanelState::showDigitImages(int left, int middle, int right) {
    m_images = {left, middle, right};
}

void PanelState::tick() {
    if (m_direction == RunDirection::Off) {
        return;
    }
    if (++m_stepCounter < kTicksPerStep) {
        return;
    }
    m_stepCounter = 0;
    const auto [left, middle, right] = m_images;
    if (m_direction == RunDirection::LeftToRight) {
        m_images = {right, left, middle};
    } else {
        m_images = {middle, right, left};
    }
}

} // namespace quendar
