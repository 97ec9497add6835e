#include "display/picture_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace quendar {

PictureButton::PictureButton(QWidget* parent, QPixmap picture, QPixmap pressedPicture, bool toggle)
    : QAbstractButton(parent), m_picture(std::move(picture)),
      m_pressedPicture(std::move(pressedPicture)) {
    setCheckable(toggle);
    setFocusPolicy(Qt::StrongFocus);
}

const QPixmap& PictureButton::currentPicture() const {
    if (isCheckable() && (isChecked() || isDown())) {
        return m_pressedPicture;
    }
    return m_picture;
}

void PictureButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.features = QStyleOptionButton::None;
    if (isDown() || isChecked()) {
        option.state |= QStyle::State_Sunken;
    } else {
        option.state |= QStyle::State_Raised;
    }
    if (isChecked()) {
        option.state |= QStyle::State_On;
    }
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QPixmap& picture = currentPicture();
    if (!picture.isNull()) {
        const QSize size = picture.deviceIndependentSize().toSize();
        const QPoint topLeft((width() - size.width()) / 2, (height() - size.height()) / 2);
        painter.drawPixmap(topLeft, picture);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

} // namespace quendar
