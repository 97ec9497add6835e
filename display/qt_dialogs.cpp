#include "display/qt_dialogs.h"

#include "core/text.h"

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
namespace {

QString fromCp1252(std::string_view text) {
    const std::string utf8 = cp1252ToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toCp1252(const QString& text) {
    return utf8ToCp1252(text.toUtf8().toStdString());
}

} // namespace

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
    QMessageBox box(QMessageBox::NoIcon, fromCp1252(caption), fromCp1252(text), QMessageBox::Ok,
                    m_parent);
    box.exec();
}

std::string QtDialogs::inputText(std::string_view title, std::string_view prompt,
                                 std::string_view preset, std::string_view details) {
    const ModalGate::Scope modal(m_gate);
    QInputDialog dialog(m_parent);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(fromCp1252(title));
    dialog.setLabelText(fromCp1252(prompt));
    dialog.setTextValue(fromCp1252(preset));
    if (!details.empty()) {
        // The dialog builds its layout (prompt, entry, buttons) on demand; asking for its size
        // makes it, so the details can go between prompt and entry.
        (void)dialog.sizeHint();
        if (auto* layout = qobject_cast<QBoxLayout*>(dialog.layout())) {
            auto* label = new QLabel(fromCp1252(details), &dialog);
            label->setTextFormat(Qt::PlainText);
            label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
            layout->insertWidget(1, label);
        } else {
            dialog.setLabelText(fromCp1252(prompt) + QStringLiteral("\n\n") + fromCp1252(details));
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
    return toCp1252(dialog.textValue());
}

std::string QtDialogs::saveFileName(std::string_view title, std::string_view filter) {
    const ModalGate::Scope modal(m_gate);
    QFileDialog dialog(m_parent, fromCp1252(title));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(fromCp1252(filter));
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
