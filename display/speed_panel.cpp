#include "display/speed_panel.h"

#include "display/image_loader.h"
#include "display/main_window.h"

#include <QLabel>

#include <cmath>

namespace quendar {
namespace {

constexpr int kPlaceholderX[] = {0, 20, 40, 60};
constexpr int kPlaceholderSide = 20;

QString assetPath(const MainWindow& window, std::string_view file) {
    return window.assetsDir() + QLatin1Char('/') +
           QLatin1String(file.data(), static_cast<qsizetype>(file.size()));
}

void setGeometry(QLabel* field, const Rect& r) {
    field->setGeometry(r.x, r.y, r.width, r.height);
}

} // namespace

SpeedPanel::SpeedPanel(MainWindow& window) : m_window(window) {}

SpeedPanel::~SpeedPanel() = default;

QLabel* SpeedPanel::digitField(int index) const {
    return m_digitFields[static_cast<std::size_t>(index)];
}

QPixmap SpeedPanel::picture(int number) const {
    const int index = pictureSlot(number);
    return index < 0 ? QPixmap() : m_slots[static_cast<std::size_t>(index)].pixmap;
}

void SpeedPanel::createFields() {
    const QImage placeholderImage = loadImage(assetPath(m_window, "space.jpg"));
    const QPixmap placeholder = QPixmap::fromImage(placeholderImage);
    for (std::size_t i = 0; i < 4; ++i) {
        auto* field = new QLabel(&m_window);
        field->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        field->setGeometry(kPlaceholderX[i], kPanelTop, kPlaceholderSide, kPlaceholderSide);
        if (!placeholder.isNull()) {
            field->setPixmap(placeholder);
            field->resize(placeholder.size());
        }
        field->show();
        if (i < 3) {
            m_digitFields[i] = field;
        } else {
            m_unitField = field;
        }
    }
    m_shownSlots.fill(kUnknownSlot);
}

void SpeedPanel::loadSlot(std::size_t index, int width, int height, qreal dpr) {
    Slot& slot = m_slots[index];
    slot = Slot{};
    if (width < 1 || height < 1) {
        return;
    }
    QImage image = loadImage(assetPath(m_window, kPanelPictures[index].file));
    if (image.isNull()) {
        return;
    }
    const QSize pixels(static_cast<int>(std::lround(width * dpr)),
                       static_cast<int>(std::lround(height * dpr)));
    if (image.size() != pixels) {
        image = image.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (image.isNull()) {
            return;
        }
    }
    slot.pixmap = QPixmap::fromImage(std::move(image));
    slot.pixmap.setDevicePixelRatio(dpr);
    slot.size = QSize(width, height);
}

void SpeedPanel::relayout() {
    m_layout = computeLayout(m_window.innerWidth());
    const qreal dpr = m_window.devicePixelRatioF();
    for (std::size_t i = 0; i < kPanelPictures.size(); ++i) {
        const int width = kPanelPictures[i].unitWide ? m_layout.unitWidth : m_layout.digitWidth;
        loadSlot(i, width, m_layout.panelHeight, dpr);
    }
    if (m_unitField != nullptr) {
        for (std::size_t i = 0; i < m_digitFields.size(); ++i) {
            setGeometry(m_digitFields[i], m_layout.digitFields[i]);
        }
        setGeometry(m_unitField, m_layout.unitField);
        showSlot(m_unitField, pictureSlot(m_state.unitImage()));
    }
    // The digit fields still hold the old pictures; the next tick gives them the new ones.
    m_shownSlots.fill(kUnknownSlot);
    m_window.placeControls(m_layout);
}

void SpeedPanel::showSlot(QLabel* field, int index) {
    const Slot* slot = index < 0 ? nullptr : &m_slots[static_cast<std::size_t>(index)];
    if (slot == nullptr || slot->pixmap.isNull()) {
        field->setPixmap(QPixmap());
        return;
    }
    field->setPixmap(slot->pixmap);
    field->resize(slot->size);
}

void SpeedPanel::tick() {
    m_state.tick();
    if (m_unitField == nullptr) {
        return;
    }
    const std::array<int, 3>& images = m_state.digitFieldImages();
    for (std::size_t i = 0; i < m_digitFields.size(); ++i) {
        const int index = pictureSlot(images[i]);
        // Same slot, same pixmap: assigning it again would only schedule a repaint.
        if (index == m_shownSlots[i]) {
            continue;
        }
        showSlot(m_digitFields[i], index);
        m_shownSlots[i] = index;
    }
}

void SpeedPanel::showDashes() {
    m_state.showDashes();
}

void SpeedPanel::startRunningLight(RunDirection direction) {
    m_state.startRunningLight(direction);
}

void SpeedPanel::stopRunningLight() {
    m_state.stopRunningLight();
}

void SpeedPanel::setReady(bool ready) {
    m_state.setReady(ready);
    if (m_unitField != nullptr) {
        showSlot(m_unitField, pictureSlot(m_state.unitImage()));
    }
}

void SpeedPanel::showDigitImages(int left, int middle, int right) {
    m_state.showDigitImages(left, middle, right);
}

} // namespace quendar
