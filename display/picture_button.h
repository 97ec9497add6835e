#pragma once
// A themed button that shows a picture centred, and for toggle buttons a second picture while
// pressed in or held down.

#include <QAbstractButton>
#include <QPixmap>

namespace quendar {

/// Picture push or toggle button.
class PictureButton final : public QAbstractButton {
    Q_OBJECT
public:
    /// A push button (`toggle` false) or a toggle button with the given pictures; a null pixmap
    /// shows no picture.
    PictureButton(QWidget* parent, QPixmap picture, QPixmap pressedPicture, bool toggle);

    /// The picture shown at this moment (the pressed one while pressed in or held down).
    [[nodiscard]] const QPixmap& currentPicture() const;
    [[nodiscard]] QSize sizeHint() const override { return {25, 25}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
    QPixmap m_pressedPicture;
};

} // namespace quendar
