#include "display/qt_dialogs.h"

#include "display/qt_text.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QFontDatabase>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#endif

namespace quendar {
namespace {} // namespace

int maxSavePathLength() {
#ifdef _WIN32
    return MAX_PATH - 1;
#elif defined(PATH_MAX)
    return PATH_MAX - 1;
#else
    return 4095;
#endif
}

QtDialogs::QtDialogs(QWidget* parent, ModalGate& gate) : m_parent(parent), m_gate(gate) {}

void QtDialogs::messageBox(std::string_view caption, std::string_view text) {
    const ModalGate::Scope modal(m_gate);
    QMessageBox box(QMessageBox::NoIcon, qStringFromCp1252(caption), qStringFromCp1252(text),
                    QMessageBox::Ok, m_parent);
    box.exec();
}

std::string QtDialogs::inputText(std::string_view title, std::string_view prompt,
                                 std::string_view preset, std::string_view details) {
    const ModalGate::Scope modal(m_gate);
    QInputDialog dialog(m_parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(qStringFromCp1252(title));
    dialog.setLabelText(qStringFromCp1252(prompt));
    dialog.setTextValue(qStringFromCp1252(preset));
    if (!details.empty()) {
        // The dialog builds its layout (prompt, entry, buttons) on demand; asking for its size
        // makes it, so the details can go between prompt and entry.
        (void)dialog.sizeHint();
        if (auto* layout = qobject_cast<QBoxLayout*>(dialog.layout())) {
            auto* label = new QLabel(qStringFromCp1252(details), &dialog);
            label->setTextFormat(Qt::PlainText);
            label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            layout->insertWidget(1, label);
        } else {
            dialog.setLabelText(qStringFromCp1252(prompt) + QStringLiteral("\n\n") +
                                qStringFromCp1252(details));
        }
    }
    // Showing selects the preset text; the caret belongs at its end instead.
    QTimer::singleShot(0, &dialog, [&dialog] {
        if (auto* edit = dialog.findChild<QLineEdit*>()) {
            edit->end(false);
        }
    });
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return cp1252FromQString(dialog.textValue());
}

std::string QtDialogs::saveFileName(std::string_view title, std::string_view filter) {
    const ModalGate::Scope modal(m_gate);
    QFileDialog dialog(m_parent, qStringFromCp1252(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(qStringFromCp1252(filter));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    const QString path = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    if (path.size() > maxSavePathLength()) {
        return {};
    }
    // Paths stay in the platform's own file-name encoding.
    return path.toStdString();
}

} // namespace quendar
