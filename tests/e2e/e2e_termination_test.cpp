// SIGTERM ends the program like a close request: the real binary exits with code 0 without
// sending the device anything and closes the port; in-process, the same termination handler main
// installs runs the shutdown (the log's end line while the port is still open) and ends the loop.

#include "app/platform.h"
#include "program_rig.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>

#include <csignal>

using namespace quendar;
using namespace quendar::e2e;

namespace {

using Bytes = std::vector<std::uint8_t>;

// Polls `done` for up to the deadline; the process under test runs on its own meanwhile.
template <typename Done> bool within(Done done) {
    const QDeadlineTimer deadline(kDeadlineMs);
    while (!deadline.hasExpired()) {
        if (done()) {
            return true;
        }
        QTest::qSleep(5);
    }
    return done();
}

} // namespace

class TerminationTest : public QObject {
    Q_OBJECT

private slots:
    void binaryExitsCleanlyOnSigterm() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        test::PtyDevice device;
        QVERIFY(device.valid());
        const std::filesystem::path root(dir.path().toStdString());
        QVERIFY(device.linkAs(root / "quendar" / "ports", 1));

        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(dir.path());
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The pictures come from the assets folder of the working folder, as for a user.
        QVERIFY(QFile::link(QStringLiteral(QUENDAR_ASSETS_DIR), dir.filePath("assets")));
        program.start(QStringLiteral(QUENDAR_BINARY), {});
        QVERIFY(program.waitForStarted(kDeadlineMs));

        // Without cnf.dat it starts on COM1 and writes the file.
        QVERIFY(within([&] { return device.slaveOpen(); }));
        QCOMPARE(fileBytes(root / "cnf.dat"), std::string("1\r\n0\r\n"));

        // It talks: a finished measurement is answered with the block request.
        QVERIFY(device.send({170}));
        Bytes sent;
        QVERIFY(within([&] {
            const Bytes more = device.received();
            sent.insert(sent.end(), more.begin(), more.end());
            return !sent.empty();
        }));
        QCOMPARE(sent, Bytes{105});

        // A block is awaited now; SIGTERM ends the program without another byte.
        program.terminate();
        QVERIFY(program.waitForFinished(kDeadlineMs));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QVERIFY(!device.slaveOpen());
        QVERIFY(device.received(200).empty());
    }

    // Installs a process-wide signal handler, so it runs last.
    void handlerShutsDownLikeACloseRequest() {
        ProgramRig rig(3, std::string("3\r\n0\r\n"));
        QVERIFY(rig.ready());
        rig.start();
        QVERIFY(rig.program->link().isPortOpen());
        rig.dialogs.script.saveAnswers.push_back((rig.root() / "signal").string());
        rig.click(Button::Log);
        rig.logPath = rig.root() / "signal.log";
        QVERIFY(rig.device.send({170}));
        QVERIFY(rig.waitForTick([](const TickSnapshot& t) {
            return t.state == ProtocolState::AwaitingBlock;
        }) >= 0);
        QCOMPARE(rig.allSent(), Bytes{105});

        bool terminated = false;
        installTerminationHandler([&] {
            terminated = true;
            rig.program->application().onCloseRequested();
        });
        std::vector<bool> portOpenAtClockRead;
        rig.clock.onRead = [&] { portOpenAtClockRead.push_back(rig.device.slaveOpen()); };
        rig.clock.time = {2013, 5, 3, 9, 12, 40};

        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        QTimer safety;
        safety.setSingleShot(true);
        QObject::connect(&safety, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        safety.start(kDeadlineMs);
        const int exitCode = QCoreApplication::exec();
        safety.stop();
        QCOMPARE(exitCode, 0);
        QVERIFY(terminated);
        QVERIFY(rig.program->application().isShutDown());

        // The end line went out while the port was still open; then the port closed.
        QCOMPARE(portOpenAtClockRead, std::vector<bool>{true});
        QVERIFY(!rig.device.slaveOpen());
        QVERIFY(!rig.program->window().isVisible());
        const std::string log =
            logStart("03.05.2013", "09:07:05") + kLogHeader + logEnd("03.05.2013", "09:12:40");
        QCOMPARE(fileBytes(*rig.logPath), log);
        QVERIFY(rig.takeSent(200).empty());

        // main calls the shutdown once more after the loop; the second time does nothing.
        rig.program->application().onCloseRequested();
        QCOMPARE(fileBytes(*rig.logPath), log);
        QCOMPARE(portOpenAtClockRead.size(), std::size_t{1});
        rig.clock.onRead = nullptr;
    }
};

QTEST_MAIN(TerminationTest)
#include "e2e_termination_test.moc"
