// The speed panel's widgets: placeholder fields, positions and picture sizes after a relayout
// (also on a high-density screen when run with QT_SCALE_FACTOR), the unit field's ready picture,
// relayout leaving the panel state alone, and missing or broken digit files.

#include "display/image_loader.h"
#include "display/main_window.h"
#include "display/modal_gate.h"
#include "display/speed_panel.h"
#include "jpeg_fixture.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace quendar;

namespace {

QColor colourOf(int number) {
    return QColor::fromHsv((number * 37) % 360, 200, 220);
}

// A fresh assets folder with all fourteen panel pictures and the placeholder.
struct Assets {
    QTemporaryDir dir;
    Assets() {
        for (const PanelPicture& p : kPanelPictures) {
            write(p.number);
        }
        fixture::writeFile(path("space.jpg"), fixture::solidJpeg(16, 24, Qt::gray));
    }
    QString path(std::string_view file) const {
        return dir.filePath(QString::fromLatin1(file.data(), static_cast<qsizetype>(file.size())));
    }
    QString path(int number) const {
        return path(kPanelPictures[static_cast<std::size_t>(pictureSlot(number))].file);
    }
    void write(int number) const {
        const bool unit = number == kUnitImage || number == kUnitReadyImage;
        fixture::writeFile(path(number), fixture::solidJpeg(unit ? 45 : 50, 66, colourOf(number)));
    }
};

struct Panel {
    ModalGate gate;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SpeedPanel> panel;
    explicit Panel(const Assets& assets, int width = 385) {
        window = std::make_unique<MainWindow>(gate, assets.dir.path());
        window->resize(width, 400);
        panel = std::make_unique<SpeedPanel>(*window);
        panel->createFields();
        window->buildControls();
    }
    void resizeAndRelayout(int width) {
        window->resize(width, 400);
        panel->relayout();
    }
};

bool shows(const QLabel* field, const SpeedPanel& panel, int number) {
    const QPixmap expected = panel.picture(number);
    return !expected.isNull() && field->pixmap().cacheKey() == expected.cacheKey();
}

} // namespace

class SpeedPanelTest : public QObject {
    Q_OBJECT

private slots:
    void fieldsStartWithPlaceholder_data() {
        QTest::addColumn<bool>("withPlaceholder");
        QTest::addColumn<QSize>("size");
        QTest::newRow("placeholder") << true << QSize(16, 24);
        QTest::newRow("missing") << false << QSize(20, 20);
    }
    void fieldsStartWithPlaceholder() {
        QFETCH(bool, withPlaceholder);
        QFETCH(QSize, size);
        Assets assets;
        if (!withPlaceholder) {
            QFile::remove(assets.path("space.jpg"));
        }
        Panel p(assets);
        for (int i = 0; i < 4; ++i) {
            QLabel* field = i < 3 ? p.panel->digitField(i) : p.panel->unitField();
            QCOMPARE(field->geometry(), QRect(QPoint(i * 20, 40), size));
            QCOMPARE(field->pixmap().isNull(), !withPlaceholder);
        }
    }

    void relayoutPlacesFieldsAndScalesPictures_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("fieldX");
        QTest::addColumn<QSize>("digitSize");
        QTest::addColumn<QSize>("unitSize");
        QTest::newRow("385") << 385 << QList<int>{1, 99, 197, 295} << QSize(98, 129)
                             << QSize(88, 129);
        QTest::newRow("800") << 800 << QList<int>{1, 206, 411, 616} << QSize(205, 269)
                             << QSize(184, 269);
    }
    void relayoutPlacesFieldsAndScalesPictures() {
        QFETCH(int, width);
        QFETCH(QList<int>, fieldX);
        QFETCH(QSize, digitSize);
        QFETCH(QSize, unitSize);
        Assets assets;
        Panel p(assets, 385);
        const qreal dpr = p.window->devicePixelRatioF();
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
            QCOMPARE(dpr, qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
        }
        p.resizeAndRelayout(width);

        // Before the next tick the digit fields keep the placeholder in their new frames, and
        // the unit field already shows the plain unit.
        QVERIFY(shows(p.panel->unitField(), *p.panel, kUnitImage));
        QCOMPARE(p.panel->digitField(0)->pixmap().size(), QSize(16, 24));
        p.panel->tick();

        for (int i = 0; i < 4; ++i) {
            QLabel* field = i < 3 ? p.panel->digitField(i) : p.panel->unitField();
            const QSize size = i < 3 ? digitSize : unitSize;
            QCOMPARE(field->geometry(), QRect(QPoint(fieldX[i], 40), size));
            const QPixmap pixmap = field->pixmap();
            QCOMPARE(pixmap.size(), QSize(static_cast<int>(std::lround(size.width() * dpr)),
                                          static_cast<int>(std::lround(size.height() * dpr))));
            QCOMPARE(pixmap.devicePixelRatio(), dpr);
        }
        QVERIFY(shows(p.panel->digitField(1), *p.panel, kDashImage));
        // Smooth scaling of a solid picture keeps its colour.
        const QColor centre = p.panel->picture(kDashImage).toImage().pixelColor(40, 60);
        const QColor expected = colourOf(kDashImage);
        QVERIFY(std::abs(centre.red() - expected.red()) <= 6);
        QVERIFY(std::abs(centre.blue() - expected.blue()) <= 6);
        // The other controls follow the same layout.
        QCOMPARE(p.window->line(Line::Info)->geometry().y(), digitSize.height() + 81);
    }

    void tooNarrowLeavesSlotsEmpty() {
        Assets assets;
        Panel p(assets);
        p.resizeAndRelayout(3);
        p.panel->tick();
        for (const PanelPicture& picture : kPanelPictures) {
            QVERIFY(p.panel->picture(picture.number).isNull());
        }
        QVERIFY(p.panel->digitField(0)->pixmap().isNull());
        QVERIFY(p.panel->unitField()->pixmap().isNull());
    }

    void readyFollowsAtOnceAndSurvivesRelayout() {
        Assets assets;
        Panel p(assets);
        p.panel->relayout();
        p.panel->setReady(true);
        QVERIFY(shows(p.panel->unitField(), *p.panel, kUnitReadyImage));
        p.resizeAndRelayout(800);
        QVERIFY(shows(p.panel->unitField(), *p.panel, kUnitReadyImage));
        QCOMPARE(p.panel->unitField()->size(), QSize(184, 269));
        p.panel->setReady(false);
        QVERIFY(shows(p.panel->unitField(), *p.panel, kUnitImage));
    }

    void relayoutChangesNoPanelState() {
        Assets assets;
        Panel p(assets);
        p.panel->relayout();
        p.panel->setReady(true);
        p.panel->startRunningLight(RunDirection::RightToLeft);
        p.panel->tick();
        p.panel->showDigitImages(12, 31, 25);
        const auto images = p.panel->digitFieldImages();
        const int counter = p.panel->stepCounter();
        p.resizeAndRelayout(640);
        QCOMPARE(p.panel->digitFieldImages(), images);
        QCOMPARE(p.panel->stepCounter(), counter);
        QCOMPARE(p.panel->runDirection(), RunDirection::RightToLeft);
        QVERIFY(p.panel->isReady());
    }

    void fieldsShowTheirSlotsOrNothing_data() {
        QTest::addColumn<QString>("damage"); // "", "delete" or "truncate" 17.jpg
        QTest::addColumn<QList<int>>("images");
        QTest::addColumn<QList<bool>>("shown");
        QTest::newRow("17 deleted")
            << "delete" << QList<int>{17, 12, 17} << QList<bool>{false, true, false};
        QTest::newRow("17 truncated")
            << "truncate" << QList<int>{12, 17, 17} << QList<bool>{true, false, false};
        QTest::newRow("no picture for 25")
            << "" << QList<int>{25, 19, 10} << QList<bool>{false, true, true};
    }
    void fieldsShowTheirSlotsOrNothing() {
        QFETCH(QString, damage);
        QFETCH(QList<int>, images);
        QFETCH(QList<bool>, shown);
        Assets assets;
        Panel p(assets);
        p.panel->relayout();
        p.panel->showDigitImages(images[0], images[1], images[2]);
        p.panel->tick();
        if (damage == QLatin1String("delete")) {
            QVERIFY(QFile::remove(assets.path(17)));
        } else if (damage == QLatin1String("truncate")) {
            QFile file(assets.path(17));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.resize(file.size() / 2));
        }
        p.resizeAndRelayout(500);
        p.panel->tick();
        const QSize digitSize(p.panel->layout().digitWidth, p.panel->layout().panelHeight);
        for (int i = 0; i < 3; ++i) {
            QLabel* field = p.panel->digitField(i);
            QCOMPARE(field->size(), digitSize);
            if (shown[i]) {
                QVERIFY(shows(field, *p.panel, images[i]));
            } else {
                QVERIFY(field->pixmap().isNull());
            }
        }
        // The next relayout tries the file again.
        assets.write(17);
        p.panel->relayout();
        p.panel->tick();
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(p.panel->digitField(i)->pixmap().isNull(), images[i] == 25);
        }
    }
};

QTEST_MAIN(SpeedPanelTest)
#include "speed_panel_test.moc"
