#pragma once
// The program's modal dialogs on Qt. Every dialog passes through the modal gate so that no tick
// runs while it is open.

#include "core/ui.h"
#include "display/modal_gate.h"

class QWidget;

namespace quendar {

/// Longest full path the save dialog may return; longer choices count as cancelled.
[[nodiscard]] int maxSavePathLength();

/// Dialogs on Qt, modal to `parent`.
class QtDialogs final : public Dialogs {
public:
    /// `parent` may be null; both must outlive the dialogs.
    QtDialogs(QWidget* parent, ModalGate& gate);

    void messageBox(std::string_view caption, std::string_view text) override;
    std::string inputText(std::string_view title, std::string_view prompt, std::string_view preset,
                          std::string_view details = {}) override;
    std::string saveFileName(std::string_view title, std::string_view filter) override;

private:
    QWidget* m_parent;
    ModalGate& m_gate;
};

} // namespace quendar
