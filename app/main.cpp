// Quendar: wires the parts together and runs the one event loop.

#include "app/platform.h"
#include "core/application.h"
#include "core/clock.h"
#include "core/evaluation.h"
#include "core/statistics.h"
#include "device/device_link.h"
#include "device/protocol.h"
#include "device/qt_serial_port.h"
#include "display/main_window.h"
#include "display/modal_gate.h"
#include "display/qt_dialogs.h"
#include "display/speed_panel.h"
#include "log/measurement_log.h"

#include <QApplication>
#include <QFont>

#include <cstdio>

int main(int argc, char** argv) {
    using namespace quendar;
    if (!displayAvailable()) {
        std::fputs("quendar: no graphical display found (DISPLAY and WAYLAND_DISPLAY are unset); "
                   "start it on a desktop, or under Xvfb.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    // Arial where it exists, its metric twin elsewhere.
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));

    ModalGate gate;
    MainWindow window(gate, QStringLiteral("assets"));
    QtDialogs dialogs(&window, gate);
    SpeedPanel panel(window);
    QtSerialPort port;
    DeviceLink link(port, dialogs, window, panel);
    RunningStatistics statistics(window, window);
    const SystemClock clock;
    MeasurementLog log(dialogs, window, clock);
    Evaluator evaluator(window, panel, log, statistics);
    DeviceProtocol protocol(link, evaluator, window, panel);
    Application application(Parts{window, window, panel, link, protocol, log, statistics});
    window.setEventHandler(&application);
    installTerminationHandler([&application] { application.onCloseRequested(); });

    application.startUp();
    QApplication::exec();
    // Whatever ended the loop, the log's end line is written and the port closed.
    application.onCloseRequested();
    return 0;
}
