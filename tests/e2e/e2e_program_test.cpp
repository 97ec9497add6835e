// The whole program end to end, as main runs it, with the device played on a pseudo-terminal:
// one full measurement from the run status to the digits, texts, log line and statistics; status
// bytes held back while a modal dialog is open; the cancel command during the wait for a block;
// the port dialog switching ports and reporting one that will not open; closing the window while
// a block is awaited and logging is on; and start-up without a port.

#include "program_rig.h"
#include "sim_device.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

using namespace quendar;
using namespace quendar::e2e;

namespace {

using Bytes = std::vector<std::uint8_t>;

const QString kWaitingMeasure = QStringLiteral("Messstrecke   0.0cm   /   Messzeit   -----.-ms");
const QString kWaitingSpeed = QStringLiteral("Geschwindigkeit   ---.-Km/h");

// 1:87, no exaggeration, 500 mm, time count 10000: 998.3 ms, 156.9 km/h, digits 1 5 7.
const Bytes kBlock156 = {0, 5, 0, 5, 0, 0, 16, 39, 0, 0, 1, 5, 7, 0, 52};

Bytes toBytes(const sim::Block& block) {
    return {block.begin(), block.end()};
}

std::string notOpened(int n) {
    return "COM-Schnittstelle " + std::to_string(n) +
           " konnte nicht ge\xF6"
           "ffnet werden!";
}

bool anyTick(const TickSnapshot&) {
    return true;
}

// Counts the timer events that reach a widget, whether or not a tick runs for them.
class TimerEventCounter final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer) {
            ++count;
        }
        return QObject::eventFilter(watched, event);
    }
    int count = 0;
};

} // namespace

class ProgramEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The block above is the one the device simulator builds for the same measurement.
        QCOMPARE(toBytes(sim::buildBlockFromCount(5, 0, 500, 10000)), kBlock156);
    }

    void fullMeasurement() {
        ProgramRig rig(4, std::string("4\r\n0\r\n"));
        QVERIFY(rig.ready());
        rig.start();
        QVERIFY(rig.program->link().isPortOpen());
        QVERIFY(rig.device.slaveOpen());
        QVERIFY(rig.dialogs.script.shown.empty());

        // Logging on into the working folder, then the statistics.
        rig.dialogs.script.saveAnswers.push_back((rig.root() / "messung").string());
        rig.click(Button::Log);
        QVERIFY(rig.program->window().isPressed(Button::Log));
        QCOMPARE(rig.dialogs.script.shown.size(), std::size_t{1});
        QCOMPARE(rig.dialogs.script.shown[0].kind, std::string("save"));
        QCOMPARE(rig.dialogs.script.shown[0].title, std::string("Messdaten speichern unter...."));
        QCOMPARE(rig.dialogs.script.shown[0].text, std::string("Log-Datei (*.log)"));
        rig.logPath = rig.root() / "messung.log";
        const std::string head = logStart("03.05.2013", "09:07:05") + kLogHeader;
        QCOMPARE(fileBytes(*rig.logPath), head);
        rig.click(Button::Statistics);
        QVERIFY(rig.program->window().isPressed(Button::Statistics));
        const QString statisticsPlaceholder =
            QStringLiteral("Min ---.-Km/h    Mittelwert ---.---Km/h    Max ---.-Km/h");
        QCOMPARE(rig.line(Line::Statistics), statisticsPlaceholder);

        // The run status starts the running light and puts up the waiting texts.
        const int beforeRun = rig.nextTick();
        QVERIFY(rig.device.send({168}));
        const int run = rig.waitForTick(
            [](const TickSnapshot& t) { return t.direction != RunDirection::Off; }, beforeRun);
        QVERIFY(run >= 0);
        const TickSnapshot running = rig.ticks[static_cast<std::size_t>(run)];
        QCOMPARE(running.direction, RunDirection::LeftToRight);
        QCOMPARE(running.state, ProtocolState::Idle);
        QCOMPARE(running.measure, kWaitingMeasure);
        QCOMPARE(running.speed, kWaitingSpeed);
        QCOMPARE(running.info, QString());
        QVERIFY(running.sent.empty());

        // ResultReady stops the light and the request goes out in the same tick.
        QVERIFY(rig.device.send({170}));
        const int request = rig.waitForTick(
            [](const TickSnapshot& t) { return t.state == ProtocolState::AwaitingBlock; }, run);
        QVERIFY(request > run);
        const TickSnapshot requested = rig.ticks[static_cast<std::size_t>(request)];
        QCOMPARE(rig.ticks[static_cast<std::size_t>(request - 1)].direction,
                 RunDirection::LeftToRight);
        QCOMPARE(requested.direction, RunDirection::Off);
        QCOMPARE(requested.sent, Bytes{105});
        QCOMPARE(rig.allSent(), Bytes{105});

        // The block: texts, digits, log line and statistics, all at the end of the same tick.
        rig.clock.time = {2013, 5, 3, 9, 7, 31};
        QVERIFY(rig.device.send(kBlock156));
        const int evaluated = rig.waitForTick(
            [](const TickSnapshot& t) { return t.state == ProtocolState::Idle; }, request);
        QVERIFY(evaluated > request);
        const TickSnapshot before = rig.ticks[static_cast<std::size_t>(evaluated - 1)];
        const TickSnapshot after = rig.ticks[static_cast<std::size_t>(evaluated)];

        QCOMPARE(before.state, ProtocolState::AwaitingBlock);
        QCOMPARE(before.info, QString());
        QCOMPARE(before.measure, kWaitingMeasure);
        QCOMPARE(before.speed, kWaitingSpeed);
        QCOMPARE(before.statistics, statisticsPlaceholder);
        QCOMPARE(before.log, head);
        QVERIFY(before.images != (std::array<int, 3>{11, 15, 17}));

        QCOMPARE(after.info, screenText("Ma\xDF"
                                        "stab 1:87   /   Messung Originalgeschwindigkeit"));
        QCOMPARE(after.measure, QStringLiteral("Messstrecke   50.0cm   /   Messzeit   998.3ms"));
        QCOMPARE(after.speed, QStringLiteral("Geschwindigkeit   156.9Km/h"));
        QCOMPARE(after.statistics,
                 QStringLiteral("Min 156.9Km/h    Mittelwert 156.872Km/h    Max 156.9Km/h"));
        QCOMPARE(after.images, (std::array<int, 3>{11, 15, 17}));
        QVERIFY(after.fieldsShowTheirPictures);
        QCOMPARE(after.direction, RunDirection::Off);
        const std::string dataLine = "03.05.2013\t09:07:31\t1:87\tMessung Originalgeschwindigkeit"
                                     "\t50,0\t998,3\t156,9\r\n";
        QCOMPARE(after.log, head + dataLine);
        QVERIFY(after.sent.empty());
        // The three pictures differ, so the fields showing them says something.
        SpeedPanel& panel = rig.program->panel();
        QVERIFY(!panel.picture(11).isNull());
        QVERIFY(panel.picture(11).toImage() != panel.picture(15).toImage());
        QVERIFY(panel.picture(15).toImage() != panel.picture(17).toImage());

        // Logging off: the end line closes the file, byte for byte as expected.
        rig.clock.time = {2013, 5, 3, 9, 12, 40};
        rig.click(Button::Log);
        QVERIFY(!rig.program->window().isPressed(Button::Log));
        QCOMPARE(fileBytes(*rig.logPath), head + dataLine + logEnd("03.05.2013", "09:12:40"));
        QCOMPARE(rig.allSent(), Bytes{105});
    }

    void statusBytesWaitWhileADialogIsOpen() {
        ProgramRig rig(6, std::string("6\r\n0\r\n"));
        QVERIFY(rig.ready());
        rig.start();
        QVERIFY(rig.program->link().isPortOpen());
        QVERIFY(rig.waitForTick(anyTick) >= 0);

        struct During {
            int ticks = -1;
            int timerEvents = 0;
            int waiting = -1;
            bool sent = false;
            RunDirection direction = RunDirection::LeftToRight;
            QString measure = QStringLiteral("?");
        } during;
        // The save dialog stands in for any modal dialog: a real message box through the
        // program's gate, while the device starts a measurement.
        rig.dialogs.beforeSave = [&] {
            QtDialogs real(&rig.program->window(), rig.program->gate());
            TimerEventCounter counter;
            rig.program->window().installEventFilter(&counter);
            const int ticksBefore = rig.nextTick();
            QElapsedTimer open;
            open.start();
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (!during.sent && open.elapsed() >= 50) {
                    during.sent = rig.device.send({168});
                }
                const int waiting = rig.program->link().bytesWaiting();
                const bool seenEnough = open.elapsed() >= 600 && counter.count >= 3 && waiting > 0;
                if (!seenEnough && open.elapsed() < kDeadlineMs) {
                    return;
                }
                during.ticks = rig.nextTick() - ticksBefore;
                during.timerEvents = counter.count;
                during.waiting = waiting;
                during.direction = rig.program->panel().runDirection();
                during.measure = rig.line(Line::Measure);
                poll.stop();
                if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                    dialog->accept();
                }
            });
            poll.start(20);
            real.messageBox("Hinweis", "Bitte warten");
            rig.program->window().removeEventFilter(&counter);
        };
        rig.click(Button::Log); // returns once the dialog is closed; the save is then cancelled
        const int afterDialog = rig.nextTick();

        QVERIFY(during.sent);
        QCOMPARE(during.ticks, 0);
        QVERIFY2(during.timerEvents >= 3, "the timer kept firing behind the dialog");
        QCOMPARE(during.waiting, 1);
        QCOMPARE(during.direction, RunDirection::Off);
        QCOMPARE(during.measure, QString());
        QVERIFY(!rig.program->window().isPressed(Button::Log));

        // The first tick after the dialog takes the byte.
        QCOMPARE(rig.waitForTick(anyTick, afterDialog), afterDialog);
        const TickSnapshot first = rig.ticks[static_cast<std::size_t>(afterDialog)];
        QCOMPARE(first.direction, RunDirection::LeftToRight);
        QCOMPARE(first.measure, kWaitingMeasure);
        QCOMPARE(first.speed, kWaitingSpeed);
        QCOMPARE(rig.program->link().bytesWaiting(), 0);
    }

    void cancelLeavesTheBlockAwaited() {
        ProgramRig rig(8, std::string("8\r\n0\r\n"));
        QVERIFY(rig.ready());
        rig.start();
        QVERIFY(rig.program->link().isPortOpen());

        QVERIFY(rig.device.send({170}));
        const int request = rig.waitForTick(
            [](const TickSnapshot& t) { return t.state == ProtocolState::AwaitingBlock; });
        QVERIFY(request >= 0);
        QCOMPARE(rig.ticks[static_cast<std::size_t>(request)].sent, Bytes{105});

        rig.click(Button::Cancel);
        QCOMPARE(rig.takeSent(2000), Bytes{151});
        QCOMPARE(rig.program->protocol().state(), ProtocolState::AwaitingBlock);

        // The wait goes on over the next ticks.
        const int afterCancel = rig.nextTick();
        QVERIFY(rig.waitForTick(anyTick, afterCancel + 2) >= 0);
        for (int i = afterCancel; i < rig.nextTick(); ++i) {
            QCOMPARE(rig.ticks[static_cast<std::size_t>(i)].state, ProtocolState::AwaitingBlock);
        }

        const Bytes block = toBytes(sim::buildBlockFromCount(5, 1, 500, 10000));
        QVERIFY(rig.device.send(block));
        const int evaluated = rig.waitForTick(
            [](const TickSnapshot& t) { return t.state == ProtocolState::Idle; }, afterCancel);
        QVERIFY(evaluated >= 0);
        const TickSnapshot after = rig.ticks[static_cast<std::size_t>(evaluated)];
        QCOMPARE(after.info, screenText("Ma\xDF"
                                        "stab 1:87   /   Messung mit \xDC"
                                        "berh\xF6"
                                        "hung nach NEM 661"));
        QCOMPARE(after.measure, QStringLiteral("Messstrecke   50.0cm   /   Messzeit   998.3ms"));
        QCOMPARE(after.speed, QStringLiteral("Geschwindigkeit   120.7Km/h"));
        QCOMPARE(after.images, (std::array<int, 3>{11, 12, 11}));
        QVERIFY(after.fieldsShowTheirPictures);
        QCOMPARE(rig.allSent(), (Bytes{105, 151}));
    }

    void portDialogSwitchesPortsAndReportsOneThatWillNotOpen() {
        ProgramRig rig(7, std::string("7\r\n42\r\n"));
        QVERIFY(rig.ready());
        test::PtyDevice other;
        QVERIFY(other.valid());
        QVERIFY(other.linkAs(rig.portsFolder(), 12));
        std::filesystem::create_symlink(rig.root() / "unplugged", rig.portsFolder() / "COM5");
        rig.start();
        QVERIFY(rig.device.slaveOpen());
        QVERIFY(!other.slaveOpen());

        rig.dialogs.script.inputAnswers.push_back("12");
        rig.click(Button::Port);
        QCOMPARE(rig.dialogs.script.shown.size(), std::size_t{1});
        const test::ScriptedDialogs::Shown& asked = rig.dialogs.script.shown[0];
        QCOMPARE(asked.kind, std::string("input"));
        QCOMPARE(asked.title, std::string("Schnittstelle w\xE4"
                                          "hlen"));
        QCOMPARE(asked.text, std::string("Nummer der seriellen COM-Schnittstelle:"));
        QCOMPARE(asked.preset, std::string("7"));
        QVERIFY2(asked.details.find("COM12 " + other.slavePath()) != std::string::npos,
                 asked.details.c_str());
        QCOMPARE(fileBytes(rig.root() / "cnf.dat"), std::string("12\r\n42\r\n"));
        QVERIFY(!rig.device.slaveOpen());
        QVERIFY(other.slaveOpen());
        QCOMPARE(rig.line(Line::Info), QString());

        // The new port carries the conversation.
        QVERIFY(other.send({168}));
        const int run =
            rig.waitForTick([](const TickSnapshot& t) { return t.direction != RunDirection::Off; });
        QVERIFY(run >= 0);
        QCOMPARE(rig.ticks[static_cast<std::size_t>(run)].measure, kWaitingMeasure);

        // A port that will not open: stored anyway, reported now and at every tick.
        rig.dialogs.script.inputAnswers.push_back("5");
        rig.click(Button::Port);
        QCOMPARE(rig.dialogs.script.shown.back().preset, std::string("12"));
        QCOMPARE(fileBytes(rig.root() / "cnf.dat"), std::string("5\r\n42\r\n"));
        QVERIFY(!other.slaveOpen());
        QVERIFY(!rig.program->link().isPortOpen());
        const QString message = screenText(notOpened(5));
        QCOMPARE(rig.line(Line::Info), message);
        QCOMPARE(rig.line(Line::Measure), QString());
        QCOMPARE(rig.line(Line::Speed), QString());
        for (int round = 0; round < 2; ++round) {
            rig.program->window().setLineText(Line::Info, "");
            rig.program->window().setLineText(Line::Measure, "x");
            QCOMPARE(rig.line(Line::Info), QString());
            const int next = rig.nextTick();
            QCOMPARE(rig.waitForTick(anyTick, next), next);
            const TickSnapshot t = rig.ticks[static_cast<std::size_t>(next)];
            QCOMPARE(t.info, message);
            QCOMPARE(t.measure, QString());
            QCOMPARE(t.speed, QString());
            QCOMPARE(t.images, (std::array<int, 3>{31, 31, 31}));
            QCOMPARE(t.direction, RunDirection::Off);
        }
        QVERIFY(other.received().empty());
        QVERIFY(rig.device.received().empty());
    }

    void closingWhileAwaitingABlockAndLogging() {
        ProgramRig rig(9, std::string("9\r\n0\r\n"));
        QVERIFY(rig.ready());
        rig.start();
        QVERIFY(rig.program->link().isPortOpen());
        rig.dialogs.script.saveAnswers.push_back((rig.root() / "abschluss.log").string());
        rig.click(Button::Log);
        rig.logPath = rig.root() / "abschluss.log";

        QVERIFY(rig.device.send({170}));
        const int request = rig.waitForTick(
            [](const TickSnapshot& t) { return t.state == ProtocolState::AwaitingBlock; });
        QVERIFY(request >= 0);
        QCOMPARE(rig.allSent(), Bytes{105});

        struct AtEndLine {
            bool portOpen;
            bool deviceSideOpen;
            bool windowVisible;
        };
        std::vector<AtEndLine> reads;
        rig.clock.onRead = [&] {
            reads.push_back({rig.program->link().isPortOpen(), rig.device.slaveOpen(),
                             rig.program->window().isVisible()});
        };
        rig.clock.time = {2013, 5, 3, 9, 12, 40};
        int ticksAtClose = -1;
        // Closed from inside the event loop, as the close box does; closing must end the loop.
        QTimer::singleShot(0, &rig.program->window(), [&] {
            ticksAtClose = rig.nextTick();
            rig.program->window().close();
        });
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        safety.start(kDeadlineMs);
        QCOMPARE(QApplication::exec(), 0);
        safety.stop();
        rig.clock.onRead = nullptr;

        QVERIFY(rig.program->application().isShutDown());
        QCOMPARE(reads.size(), std::size_t{1}); // the end line, and nothing else
        QVERIFY(reads[0].portOpen);
        QVERIFY(reads[0].deviceSideOpen);
        QVERIFY(reads[0].windowVisible);
        QVERIFY(!rig.program->link().isPortOpen());
        QVERIFY(!rig.device.slaveOpen());
        QVERIFY(!rig.program->window().isVisible());
        const std::string log =
            logStart("03.05.2013", "09:07:05") + kLogHeader + logEnd("03.05.2013", "09:12:40");
        QCOMPARE(fileBytes(*rig.logPath), log);
        QVERIFY(rig.takeSent(300).empty());
        QCOMPARE(rig.allSent(), Bytes{105});

        // Nothing runs any more.
        QTest::qWait(300);
        QCOMPARE(rig.nextTick(), ticksAtClose);
        QCOMPARE(fileBytes(*rig.logPath), log);
    }

    void startWithoutAPortShowsTheMessageOverTheReadyWindow() {
        ProgramRig rig(2, std::string("3\r\n0\r\n"));
        QVERIFY(rig.ready());
        // COM3 leads nowhere, whatever serial ports this machine has.
        std::filesystem::create_symlink(rig.root() / "missing-device", rig.portsFolder() / "COM3");
        struct AtBox {
            bool seen = false;
            bool window = false;
            bool controls = false;
            int ticks = -1;
        } at;
        rig.dialogs.beforeMessageBox = [&] {
            MainWindow& window = rig.program->window();
            SpeedPanel& panel = rig.program->panel();
            bool controls = window.logoField()->isVisible() && panel.unitField()->isVisible();
            for (Button b : {Button::Port, Button::Log, Button::Statistics, Button::Cancel}) {
                controls = controls && window.button(b)->isVisible();
            }
            for (Line l : {Line::Info, Line::Measure, Line::Statistics, Line::Speed}) {
                controls = controls && window.line(l)->isVisible();
            }
            for (int i = 0; i < 3; ++i) {
                controls = controls && panel.digitField(i)->isVisible();
            }
            at = {true, window.isVisible(), controls, rig.nextTick()};
        };
        rig.start();

        QVERIFY(at.seen);
        QVERIFY(at.window);
        QVERIFY(at.controls);
        QCOMPARE(at.ticks, 0);
        QCOMPARE(rig.dialogs.script.shown.size(), std::size_t{1});
        QCOMPARE(rig.dialogs.script.shown[0].kind, std::string("message"));
        QCOMPARE(rig.dialogs.script.shown[0].title, std::string("Fehler"));
        QCOMPARE(rig.dialogs.script.shown[0].text, "Die " + notOpened(3));
        QVERIFY(!rig.program->link().isPortOpen());
        QCOMPARE(fileBytes(rig.root() / "cnf.dat"), std::string("3\r\n0\r\n"));

        QCOMPARE(rig.waitForTick(anyTick), 0);
        QCOMPARE(rig.ticks[0].info, screenText(notOpened(3)));
        QCOMPARE(rig.ticks[0].measure, QString());
        QCOMPARE(rig.ticks[0].speed, QString());
    }
};

QTEST_MAIN(ProgramEndToEndTest)
#include "e2e_program_test.moc"
