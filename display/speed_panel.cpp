#include "display/speed_panel.h"

#include "display/main_window.h"

#include <QLabel>

namespace quendar {

SpeedPanel::SpeedPanel(MainWindow& window) : m_window(window) {}

SpeedPanel::~SpeedPanel() = default;

// Placeholders until the panel work lands.
void SpeedPanel::createFields() {
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLabel(&m_window);
        field->setGeometry(i * 20, kPanelTop, 20, 20);
        field->show();
        if (i < 3) {
            m_digitFields[static_cast<std::size_t>(i)] = field;
        } else {
            m_unitField = field;
        }
    }
}

void SpeedPanel::relayout() {
    m_layout = computeLayout(m_window.innerWidth());
    m_window.placeControls(m_layout);
}

void SpeedPanel::tick() {}

void SpeedPanel::showDashes() {
    m_images = {31, 31, 31};
    m_direction = RunDirection::Off;
}

void SpeedPanel::startRunningLight(RunDirection direction) {
    m_direction = direction;
}
void SpeedPanel::stopRunningLight() {
    m_direction = RunDirection::Off;
}
void SpeedPanel::setReady(bool ready) {
    m_ready = ready;
}
void SpeedPanel::showDigitImages(int left, int middle, int right) {
    m_images = {left, middle, right};
}

} // namespace quendar
