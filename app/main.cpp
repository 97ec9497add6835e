// Quendar: runs the one event loop over the wired-up program.

#include "app/platform.h"
#include "app/program.h"

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

    Program program;
    installTerminationHandler([&program] { program.application().onCloseRequested(); });
    program.startUp();
    QApplication::exec();
    // Whatever ended the loop, the log's end line is written and the port closed (once).
    program.application().onCloseRequested();
    return 0;
}
