#pragma once
// The program's one window: logo, speed panel fields (owned by the panel), four picture buttons
// and four status lines.

#include "core/parts.h"
#include "core/ui.h"
#include "display/layout.h"
#include "display/modal_gate.h"

#include <QBasicTimer>
#include <QFont>
#include <QString>
#include <QWidget>

#include <array>

class QLabel;

namespace quendar {

class PictureButton;

/// The main window; its own client area is the inner area the layout speaks of.
class MainWindow final : public QWidget,
                         public WindowPart,
                         public StatusLines,
                         public ButtonControls {
    Q_OBJECT
public:
    /// Inner size at creation.
    static constexpr int kInitialWidth = 385;
    static constexpr int kInitialHeight = 305;
    /// Smallest inner size.
    static constexpr int kMinWidth = 385;
    static constexpr int kMinHeight = 170;

    /// `assetsDir` holds the pictures; `gate` tells whether a modal dialog is open.
    MainWindow(const ModalGate& gate, QString assetsDir);
    ~MainWindow() override;

    /// Where the window reports its events; must be set before openMainWindow.
    void setEventHandler(WindowEvents* events) { m_events = events; }

    // WindowPart
    void openMainWindow() override;
    [[nodiscard]] int innerWidth() const override;
    void startTimer() override;
    void buildControls() override;
    void showButtons() override;
    void closeMainWindow() override;

    // StatusLines
    void setLineText(Line line, std::string_view text) override;

    // ButtonControls
    [[nodiscard]] bool isPressed(Button button) const override;
    void release(Button button) override;
    void setTooltip(Button button, std::string_view text) override;

    /// Moves the logo, buttons and status lines to their places in `layout`.
    void placeControls(const Layout& layout);

    /// The folder the pictures are read from.
    [[nodiscard]] const QString& assetsDir() const { return m_assetsDir; }
    /// The button widget (null before buildControls).
    [[nodiscard]] PictureButton* button(Button which) const;
    /// The status line widget (null before buildControls).
    [[nodiscard]] QLabel* line(Line which) const;
    /// The logo field (null before buildControls).
    [[nodiscard]] QLabel* logoField() const { return m_logoField; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    PictureButton* makeButton(Button which, const char* picture, const char* pressedPicture,
                              bool toggle, int x, std::string_view tooltip);
    QLabel* makeLine(int y, int height, const QFont& font);

    const ModalGate& m_gate;
    QString m_assetsDir;
    WindowEvents* m_events = nullptr;
    QBasicTimer m_timer;
    bool m_closing = false;
    QLabel* m_logoField = nullptr;
    std::array<PictureButton*, 4> m_buttons{};
    std::array<QLabel*, 4> m_lines{};
    QFont m_lineFont;
    QFont m_speedFont;
};

} // namespace quendar
