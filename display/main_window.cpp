#include "display/main_window.h"

#include "display/image_loader.h"
#include "display/picture_button.h"
#include "display/qt_text.h"

#include <QCloseEvent>
#include <QLabel>
#include <QResizeEvent>
#include <QTimerEvent>

namespace quendar {
namespace {

constexpr int kTimerPeriodMs = 100;

} // namespace

MainWindow::MainWindow(const ModalGate& gate, QString assetsDir)
    : QWidget(nullptr, Qt::Window), m_gate(gate), m_assetsDir(std::move(assetsDir)),
      m_lineFont(QStringLiteral("Arial"), 10), m_speedFont(QStringLiteral("Arial"), 12) {
    setWindowTitle(QStringLiteral("Quendar 1.10"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    const QImage icon = loadImage(m_assetsDir + QStringLiteral("/quendar.bmp"));
    if (!icon.isNull()) {
        setWindowIcon(QIcon(QPixmap::fromImage(icon)));
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::openMainWindow() {
    resize(kInitialWidth, kInitialHeight);
    move(100, 100);
    setMinimumSize(kMinWidth, kMinHeight);
    show();
}

int MainWindow::innerWidth() const {
    return width();
}

void MainWindow::startTimer() {
    m_timer.start(kTimerPeriodMs, Qt::CoarseTimer, this);
}

PictureButton* MainWindow::makeButton(Button which, const char* picture, const char* pressedPicture,
                                      bool toggle, int x, std::string_view tooltip) {
    const auto load = [this](const char* name) {
        if (name == nullptr) {
            return QPixmap();
        }
        return QPixmap::fromImage(loadImage(m_assetsDir + QLatin1Char('/') + QLatin1String(name)));
    };
    auto* button = new PictureButton(this, load(picture), load(pressedPicture), toggle);
    button->setGeometry(x, 175, 25, 25);
    button->hide();
    m_buttons[static_cast<std::size_t>(which)] = button;
    setTooltip(which, tooltip);
    connect(button, &QAbstractButton::clicked, this, [this, which] {
        if (m_events != nullptr) {
            m_events->onButtonClicked(which);
        }
    });
    return button;
}

QLabel* MainWindow::makeLine(int y, int height, const QFont& font) {
    auto* label = new QLabel(this);
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setGeometry(1, y, 383, height);
    label->show();
    return label;
}

void MainWindow::buildControls() {
    m_logoField = new QLabel(this);
    m_logoField->setGeometry(1, 4, 383, 32);
    const QImage logo = loadImage(m_assetsDir + QStringLiteral("/logo.bmp"));
    if (!logo.isNull()) {
        m_logoField->setPixmap(QPixmap::fromImage(logo));
        m_logoField->resize(logo.size());
    }
    m_logoField->show();

    makeButton(Button::Port, "bearbeiten.bmp", nullptr, false, 125, "Schnittstelle einstellen");
    makeButton(Button::Log, "Datei_speichern.bmp", "Datei_speichern_unter.bmp", true, 160,
               "Messwert-Speicherung starten");
    makeButton(Button::Statistics, "Berechnen_p.bmp", "Berechnen_a.bmp", true, 195,
               "Statistik-Berechnungen starten");
    makeButton(Button::Cancel, "abbrechen.bmp", nullptr, false, 230, "Messung abbrechen");
    for (std::size_t i = 0; i + 1 < m_buttons.size(); ++i) {
        setTabOrder(m_buttons[i], m_buttons[i + 1]);
    }

    m_lines[static_cast<std::size_t>(Line::Info)] = makeLine(210, 20, m_lineFont);
    m_lines[static_cast<std::size_t>(Line::Measure)] = makeLine(230, 20, m_lineFont);
    m_lines[static_cast<std::size_t>(Line::Statistics)] = makeLine(250, 20, m_lineFont);
    m_lines[static_cast<std::size_t>(Line::Speed)] = makeLine(280, 25, m_speedFont);
}

void MainWindow::showButtons() {
    for (PictureButton* button : m_buttons) {
        button->show();
    }
}

void MainWindow::closeMainWindow() {
    m_timer.stop();
    m_closing = true;
    close();
}

void MainWindow::setLineText(Line which, std::string_view text) {
    if (QLabel* label = line(which)) {
        label->setText(qStringFromCp1252(text));
    }
}

bool MainWindow::isPressed(Button which) const {
    const PictureButton* b = button(which);
    return b != nullptr && b->isCheckable() && b->isChecked();
}

void MainWindow::release(Button which) {
    PictureButton* b = button(which);
    if (b == nullptr || !b->isCheckable()) {
        return;
    }
    // setChecked emits toggled() but not clicked(), so no handler runs again.
    b->setChecked(false);
}

void MainWindow::setTooltip(Button which, std::string_view text) {
    if (PictureButton* b = button(which)) {
        b->setToolTip(qStringFromCp1252(text));
    }
}

PictureButton* MainWindow::button(Button which) const {
    return m_buttons[static_cast<std::size_t>(which)];
}

QLabel* MainWindow::line(Line which) const {
    return m_lines[static_cast<std::size_t>(which)];
}

void MainWindow::placeControls(const Layout& layout) {
    if (m_logoField != nullptr) {
        m_logoField->move(layout.logo.x, layout.logo.y);
    }
    for (std::size_t i = 0; i < m_buttons.size(); ++i) {
        if (m_buttons[i] != nullptr) {
            const Rect& r = layout.buttons[i];
            m_buttons[i]->setGeometry(r.x, r.y, r.width, r.height);
        }
    }
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i] != nullptr) {
            const Rect& r = layout.lines[i];
            m_lines[i]->setGeometry(r.x, r.y, r.width, r.height);
        }
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_events != nullptr && !isMinimized()) {
        m_events->onSizeChanged();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_closing || m_events == nullptr) {
        event->accept();
        return;
    }
    // The window stays open until shutdown closes it through closeMainWindow. Qt ignores a close()
    // made from inside this handler, so a shutdown that ran here closes the window by accepting.
    m_events->onCloseRequested();
    if (m_closing) {
        event->accept();
    } else {
        event->ignore();
    }
}

void MainWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (m_gate.isOpen() || m_events == nullptr) {
        return;
    }
    m_events->onTimer();
}

} // namespace quendar
