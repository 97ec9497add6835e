#pragma once
// Windows-1252 texts of the program to and from Qt's strings, for everything shown on screen.

#include "core/text.h"

#include <QString>

#include <string>
#include <string_view>

namespace quendar {

/// The characters of a Windows-1252 text as a QString.
[[nodiscard]] inline QString qStringFromCp1252(std::string_view cp1252) {
    const std::string utf8 = cp1252ToUtf8(cp1252);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

/// A QString as Windows-1252 bytes; characters it cannot hold become "?".
[[nodiscard]] inline std::string cp1252FromQString(const QString& text) {
    return utf8ToCp1252(text.toUtf8().toStdString());
}

} // namespace quendar
