// Small text operations with the exact rules of the BASIC run time the program's texts follow.
#pragma once

#include <QString>
#include <string>

namespace vb {

// Removes spaces (only the blank character, not tabs or line breaks) at both ends, as Trim does.
QString Trim(const QString& text);
// True when nothing remains of `text` once every NUL is removed and spaces are trimmed.
bool IsBlank(QString text);
// `fraction` in the pattern "0.0%": multiplied by 100, one decimal, halves rounded away from
// zero, then "%".
QString FormatPercent(double fraction);
// Narrow text in the system code page and back, as the Windows API's "A" functions take it.
std::string ToAnsi(const QString& text);
QString FromAnsi(const std::string& ansi);

}  // namespace vb
