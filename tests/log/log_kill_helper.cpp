// Helper for the crash-safety test of the measurement log: switches logging on with the path
// given, writes N data lines and then dies by SIGKILL, with no chance to flush or close anything.
// Usage: log_kill_helper <path> <N>

#include "fakes/fakes.h"
#include "log/measurement_log.h"

#include <csignal>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    using namespace quendar;
    test::ScriptedDialogs dialogs;
    dialogs.saveAnswers = {argv[1]};
    test::FakeButtons buttons;
    const test::FixedClock clock(DateTime{2013, 5, 3, 9, 7, 5});
    // Kept alive on the heap and never destroyed: nothing may close the file for us.
    auto* log = new MeasurementLog(dialogs, buttons, clock);
    buttons.pressed[test::FakeButtons::index(Button::Log)] = true;
    log->onLogButton(true);
    const int lines = std::atoi(argv[2]);
    for (int i = 0; i < lines; ++i) {
        log->writeDataLine("1:87", "Messung Originalgeschwindigkeit", 500, 998.263855f,
                           static_cast<float>(i));
    }
    std::raise(SIGKILL);
    return 1;
}
