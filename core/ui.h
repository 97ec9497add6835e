#pragma once
// The seams through which the parts of the program talk to the window, the speed panel and the
// modal dialogs. The Qt classes implement them; tests implement them with small fakes.

#include <string>
#include <string_view>

namespace quendar {

/// The four status lines of the main window.
enum class Line { Info, Measure, Statistics, Speed };

/// The four picture buttons, in creation (and focus) order.
enum class Button { Port, Log, Statistics, Cancel };

/// The direction of the running light, or Off.
enum class RunDirection { Off, LeftToRight, RightToLeft };

/// Writes the status lines. Texts are Windows-1252 bytes.
class StatusLines {
public:
    virtual ~StatusLines() = default;
    /// Replaces the whole text of `line`; an empty text empties it.
    virtual void setLineText(Line line, std::string_view text) = 0;
};

/// State and tooltips of the picture buttons.
class ButtonControls {
public:
    virtual ~ButtonControls() = default;
    /// True while a toggle button (Log, Statistics) is pressed in; always false for push buttons.
    [[nodiscard]] virtual bool isPressed(Button button) const = 0;
    /// Sets a toggle button back to released without producing a click.
    virtual void release(Button button) = 0;
    /// Replaces the button's tooltip (Windows-1252 bytes).
    virtual void setTooltip(Button button, std::string_view text) = 0;
};

/// What the protocol, the port choice and the evaluation ask of the speed panel.
class PanelControl {
public:
    virtual ~PanelControl() = default;
    /// Three dashes, running light off; shown at the next panel tick.
    virtual void showDashes() = 0;
    /// Starts the running light in `direction` (LeftToRight or RightToLeft).
    virtual void startRunningLight(RunDirection direction) = 0;
    /// Stops the running light; the digit fields keep what they show.
    virtual void stopRunningLight() = 0;
    /// Switches the unit field between its ready and plain picture at once.
    virtual void setReady(bool ready) = 0;
    /// Sets the image numbers of the three digit fields; shown at the next panel tick.
    virtual void showDigitImages(int left, int middle, int right) = 0;
};

/// Modal dialogs. Each call returns only when the user has closed the dialog; while it is open no
/// timer tick of the program is processed.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    /// A message box with `caption`, `text` (Windows-1252) and one OK button.
    virtual void messageBox(std::string_view caption, std::string_view text) = 0;
    /// A one-line input dialog; returns the entered text (Windows-1252), or "" when left with
    /// Escape or closed. Non-empty `details` (Windows-1252, lines split by LF) are shown under
    /// the prompt.
    virtual std::string inputText(std::string_view title, std::string_view prompt,
                                  std::string_view preset, std::string_view details = {}) = 0;
    /// A save-file dialog with one filter ("Description (*.ext)"); returns the chosen full path
    /// in the platform's file-name encoding (UTF-8 outside Windows), or "" when cancelled.
    virtual std::string saveFileName(std::string_view title, std::string_view filter) = 0;
};

} // namespace quendar
