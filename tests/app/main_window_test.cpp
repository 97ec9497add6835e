// The main window on its own: geometry at creation, controls, toggle buttons, tooltips, focus
// cycling, the close request, and the rule that no tick runs while a modal dialog is open.

#include "display/main_window.h"
#include "display/modal_gate.h"
#include "display/picture_button.h"
#include "display/qt_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <vector>

using namespace quendar;

namespace {

struct RecordingEvents final : WindowEvents {
    void onSizeChanged() override { ++sizes; }
    void onButtonClicked(Button b) override { clicks.push_back(b); }
    void onTimer() override { ++ticks; }
    void onCloseRequested() override { ++closeRequests; }
    int sizes = 0;
    int ticks = 0;
    int closeRequests = 0;
    std::vector<Button> clicks;
};

// Closes the next modal dialog once `afterMs` have passed.
void closeModalLater(int afterMs) {
    QTimer::singleShot(afterMs, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            if (auto* dialog = qobject_cast<QDialog*>(modal)) {
                dialog->reject();
            }
        }
    });
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    ModalGate m_gate;
    RecordingEvents m_events;

    std::unique_ptr<MainWindow> makeWindow(const QString& assets = QStringLiteral("assets")) {
        auto w = std::make_unique<MainWindow>(m_gate, assets);
        m_events = RecordingEvents{};
        w->setEventHandler(&m_events);
        w->openMainWindow();
        w->buildControls();
        return w;
    }

private slots:
    void geometryAtCreation() {
        auto w = makeWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("Quendar 1.10"));
        QCOMPARE(w->size(), QSize(385, 305));
        QCOMPARE(w->innerWidth(), 385);
        QCOMPARE(w->minimumSize(), QSize(385, 170));
        QCOMPARE(w->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
        QCOMPARE(w->pos(), QPoint(100, 100));
        QVERIFY(w->windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(w->windowFlags() & Qt::WindowMaximizeButtonHint);
        QVERIFY(w->testAttribute(Qt::WA_AlwaysShowToolTips));
        w->resize(200, 100);
        QCOMPARE(w->size(), QSize(385, 170));
    }

    void controlsAtCreation() {
        auto w = makeWindow();
        const QList<QRect> buttonRects = {
            {125, 175, 25, 25}, {160, 175, 25, 25}, {195, 175, 25, 25}, {230, 175, 25, 25}};
        const Button buttons[] = {Button::Port, Button::Log, Button::Statistics, Button::Cancel};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(w->button(buttons[i])->geometry(), buttonRects[i]);
            QVERIFY(w->button(buttons[i])->isHidden());
        }
        QCOMPARE(w->button(Button::Port)->toolTip(), QStringLiteral("Schnittstelle einstellen"));
        QCOMPARE(w->button(Button::Log)->toolTip(), QStringLiteral("Messwert-Speicherung starten"));
        QCOMPARE(w->button(Button::Statistics)->toolTip(),
                 QStringLiteral("Statistik-Berechnungen starten"));
        QCOMPARE(w->button(Button::Cancel)->toolTip(), QStringLiteral("Messung abbrechen"));
        QVERIFY(!w->button(Button::Port)->isCheckable());
        QVERIFY(w->button(Button::Log)->isCheckable());
        QVERIFY(w->button(Button::Statistics)->isCheckable());
        QVERIFY(!w->button(Button::Cancel)->isCheckable());

        const Line lines[] = {Line::Info, Line::Measure, Line::Statistics, Line::Speed};
        const int ys[] = {210, 230, 250, 280};
        for (int i = 0; i < 4; ++i) {
            QLabel* label = w->line(lines[i]);
            QCOMPARE(label->geometry(), QRect(1, ys[i], 383, i == 3 ? 25 : 20));
            QVERIFY(label->text().isEmpty());
            QCOMPARE(label->alignment(), Qt::AlignCenter);
            QCOMPARE(label->font().pointSize(), i == 3 ? 12 : 10);
            QCOMPARE(label->font().family(), QStringLiteral("Arial"));
        }
        w->showButtons();
        for (const Button b : buttons) {
            QVERIFY(w->button(b)->isVisible());
        }
    }

    void lineTextsAreWindows1252() {
        auto w = makeWindow();
        w->setLineText(Line::Info, "Ma\xDF"
                                   "stab 1:87   /   Messung mit \xDC"
                                   "berh\xF6"
                                   "hung");
        QCOMPARE(w->line(Line::Info)->text(),
                 QStringLiteral("Maßstab 1:87   /   Messung mit Überhöhung"));
        w->setLineText(Line::Info, "");
        QVERIFY(w->line(Line::Info)->text().isEmpty());
        QCOMPARE(w->line(Line::Info)->font().pointSize(), 10);
    }

    void toggleButtonsReleaseAndTooltips() {
        auto w = makeWindow();
        w->showButtons();
        PictureButton* stats = w->button(Button::Statistics);
        QTest::mouseClick(stats, Qt::LeftButton);
        QVERIFY(w->isPressed(Button::Statistics));
        QVERIFY(stats->currentPicture().cacheKey() != 0 || stats->currentPicture().isNull());
        QTest::mouseClick(stats, Qt::LeftButton);
        QVERIFY(!w->isPressed(Button::Statistics));
        QCOMPARE(m_events.clicks, (std::vector<Button>{Button::Statistics, Button::Statistics}));

        QTest::mouseClick(w->button(Button::Log), Qt::LeftButton);
        QVERIFY(w->isPressed(Button::Log));
        w->release(Button::Log);
        QVERIFY(!w->isPressed(Button::Log));
        QCOMPARE(m_events.clicks.size(), std::size_t{3}); // release produced no click

        w->setTooltip(Button::Log, "Messwert-Speicherung beenden");
        QCOMPARE(w->button(Button::Log)->toolTip(), QStringLiteral("Messwert-Speicherung beenden"));
        QVERIFY(!w->isPressed(Button::Port));
    }

    void clicksOnOtherControlsChangeNothing() {
        auto w = makeWindow();
        w->showButtons();
        QTest::mouseClick(w->logoField(), Qt::LeftButton);
        QTest::mouseClick(w->line(Line::Speed), Qt::LeftButton);
        QTest::mouseClick(w.get(), Qt::LeftButton, {}, QPoint(5, 300));
        QVERIFY(m_events.clicks.empty());
    }

    void tabCyclesThroughTheFourButtons() {
        auto w = makeWindow();
        w->showButtons();
        QApplication::setActiveWindow(w.get());
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        w->button(Button::Port)->setFocus();
        const Button order[] = {Button::Log, Button::Statistics, Button::Cancel, Button::Port};
        for (const Button b : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), w->button(b));
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), w->button(Button::Cancel));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QCOMPARE(m_events.clicks, (std::vector<Button>{Button::Cancel}));
    }

    void missingPicturesStillGiveWorkingButtons() {
        QTemporaryDir empty;
        auto w = makeWindow(empty.path());
        w->showButtons();
        QVERIFY(w->button(Button::Port)->currentPicture().isNull());
        QVERIFY(w->logoField()->pixmap().isNull());
        QTest::mouseClick(w->button(Button::Port), Qt::LeftButton);
        QCOMPARE(m_events.clicks, (std::vector<Button>{Button::Port}));
    }

    void closeRequestLeavesTheWindowToShutdown() {
        auto w = makeWindow();
        w->close();
        QCOMPARE(m_events.closeRequests, 1);
        QVERIFY(w->isVisible());
        w->closeMainWindow();
        QVERIFY(!w->isVisible());
        QCOMPARE(m_events.closeRequests, 1);
    }

    void placeControlsMovesLogoButtonsAndLines() {
        auto w = makeWindow();
        w->resize(800, 305);
        w->placeControls(computeLayout(800));
        QCOMPARE(w->logoField()->pos(), QPoint(208, 4));
        QCOMPARE(w->button(Button::Cancel)->geometry(), QRect(440, 315, 25, 25));
        QCOMPARE(w->line(Line::Speed)->geometry(), QRect(1, 420, 798, 25));
    }

    void noTickWhileAModalDialogIsOpen() {
        auto w = makeWindow();
        QtDialogs dialogs(w.get(), m_gate);
        w->startTimer();
        QTRY_VERIFY_WITH_TIMEOUT(m_events.ticks >= 2, 5000);

        const auto expectNoTicksDuring = [&](auto&& openDialog) {
            int ticksInside = -1;
            QTimer::singleShot(450, [&] { ticksInside = m_events.ticks; });
            const int before = m_events.ticks;
            closeModalLater(600);
            openDialog();
            QCOMPARE(ticksInside, before);
            QTRY_VERIFY_WITH_TIMEOUT(m_events.ticks > before, 5000); // ticks resume afterwards
        };
        expectNoTicksDuring([&] { dialogs.messageBox("Fehler", "x"); });
        expectNoTicksDuring([&] { QCOMPARE(dialogs.inputText("t", "p", "7"), std::string()); });
        expectNoTicksDuring([&] { QCOMPARE(dialogs.saveFileName("t", "Log-Datei (*.log)"), ""); });
    }

    void lateTicksMergeInsteadOfPilingUp() {
        auto w = makeWindow();
        w->startTimer();
        QTRY_VERIFY_WITH_TIMEOUT(m_events.ticks >= 1, 5000);
        QThread::msleep(1000); // the loop is busy for ten periods
        const int before = m_events.ticks;
        QTest::qWait(50);
        QVERIFY2(m_events.ticks - before <= 1, "a busy second must not replay ten ticks");
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
