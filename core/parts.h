#pragma once
// What the start-up, the tick and the shutdown ask of each part. The real parts implement these;
// the spine's tests implement them with recording fakes.

#include "core/ui.h"

namespace quendar {

/// The main window as the spine drives it.
class WindowPart {
public:
    virtual ~WindowPart() = default;
    /// Opens and shows the main window at its creation size and position.
    virtual void openMainWindow() = 0;
    /// The current inner (client-area) width in pixels.
    [[nodiscard]] virtual int innerWidth() const = 0;
    /// Starts the one 100 ms timer; its ticks arrive only once the event loop runs.
    virtual void startTimer() = 0;
    /// Creates the logo, the four buttons (hidden) and the four empty status lines.
    virtual void buildControls() = 0;
    /// Shows the four buttons.
    virtual void showButtons() = 0;
    /// Closes the window for good.
    virtual void closeMainWindow() = 0;
};

/// The speed panel as the spine drives it.
class PanelPart {
public:
    virtual ~PanelPart() = default;
    /// Creates the three digit fields and the unit field, before any other control.
    virtual void createFields() = 0;
    /// Sizes, reloads and rescales the panel pictures and places every control for the width.
    virtual void relayout() = 0;
    /// Advances the running light and gives the digit fields their pictures.
    virtual void tick() = 0;
};

/// The serial link and its settings file as the spine drives them.
class LinkPart {
public:
    virtual ~LinkPart() = default;
    /// Reads "cnf.dat", or creates it with port 1.
    virtual void loadPortConfig() = 0;
    /// Opens the port; shows the "Fehler" message box when it does not open.
    virtual void openPortAtStartup() = 0;
    /// Runs the port dialog and reopens the port.
    virtual void choosePort() = 0;
    /// Closes the port if it is open; sends nothing.
    virtual void closePort() = 0;
};

/// The device protocol as the spine drives it.
class ProtocolPart {
public:
    virtual ~ProtocolPart() = default;
    /// One step of the conversation with the device; never waits for the line.
    virtual void protocolStep() = 0;
    /// Sends the cancel command.
    virtual void sendCancel() = 0;
};

/// The measurement log as the spine drives it.
class LogPart {
public:
    virtual ~LogPart() = default;
    /// Handles a click on the log button; `pressed` is the button's state after the click.
    virtual void onLogButton(bool pressed) = 0;
    /// Writes the end line and closes the log file, if one is open.
    virtual void stopLogging() = 0;
};

/// The running statistics as the spine drives them.
class StatisticsPart {
public:
    virtual ~StatisticsPart() = default;
    /// Handles a click on the statistics button; `pressed` is its state after the click.
    virtual void toggleStatistics(bool pressed) = 0;
};

/// What the window reports to the spine.
class WindowEvents {
public:
    virtual ~WindowEvents() = default;
    /// The window's size changed (shown normally or maximised).
    virtual void onSizeChanged() = 0;
    /// One of the four buttons was clicked; toggle buttons already show their new state.
    virtual void onButtonClicked(Button button) = 0;
    /// The 100 ms timer fired and no modal dialog is open.
    virtual void onTimer() = 0;
    /// The user asked to close the window.
    virtual void onCloseRequested() = 0;
};

} // namespace quendar
