#pragma once
// The few things main needs that differ between operating systems.

#include <functional>

namespace quendar {

/// False when the program can tell that no graphical display is reachable (Unix without DISPLAY
/// or WAYLAND_DISPLAY and no QT_QPA_PLATFORM chosen); always true on Windows.
[[nodiscard]] bool displayAvailable();

/// Arranges for `onTerminate` to run on the GUI thread when the system asks the process to end
/// (SIGTERM, SIGINT; on Windows a console close or Ctrl+C). Call once, after QApplication exists.
void installTerminationHandler(std::function<void()> onTerminate);

} // namespace quendar
