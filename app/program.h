#pragma once
// The whole program wired together: every part, owned in the order they depend on each other.
// main() runs it with the real dialogs, clock and serial port; end-to-end tests swap those seams.

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

#include <QString>

#include <filesystem>

namespace quendar {

/// Where the program finds its files, and which seams replace the real ones (null: the real one).
struct ProgramOptions {
    QString assetsDir = QStringLiteral("assets");
    std::filesystem::path configPath = "cnf.dat";
    Dialogs* dialogs = nullptr;
    const Clock* clock = nullptr;
    SerialPort* port = nullptr;
};

/// All parts of the program and the spine that drives them. Needs a QApplication.
class Program {
public:
    /// Builds every part; opens nothing yet.
    explicit Program(const ProgramOptions& options = {});
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    /// Runs the start-up steps (window, settings, timer, controls, layout, port).
    void startUp() { m_application.startUp(); }

    [[nodiscard]] Application& application() { return m_application; }
    [[nodiscard]] MainWindow& window() { return m_window; }
    [[nodiscard]] SpeedPanel& panel() { return m_panel; }
    [[nodiscard]] DeviceLink& link() { return m_link; }
    [[nodiscard]] DeviceProtocol& protocol() { return m_protocol; }
    [[nodiscard]] MeasurementLog& log() { return m_log; }
    [[nodiscard]] RunningStatistics& statistics() { return m_statistics; }
    [[nodiscard]] Evaluator& evaluator() { return m_evaluator; }
    [[nodiscard]] ModalGate& gate() { return m_gate; }

private:
    ModalGate m_gate;
    MainWindow m_window;
    QtDialogs m_qtDialogs;
    Dialogs& m_dialogs;
    SystemClock m_systemClock;
    const Clock& m_clock;
    QtSerialPort m_qtPort;
    SerialPort& m_port;
    SpeedPanel m_panel;
    DeviceLink m_link;
    RunningStatistics m_statistics;
    MeasurementLog m_log;
    Evaluator m_evaluator;
    DeviceProtocol m_protocol;
    Application m_application;
};

} // namespace quendar
