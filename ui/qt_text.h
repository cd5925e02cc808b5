#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tavrel::ui {

// UTF-16 text between Qt and the engine, code unit for code unit: nothing is
// validated, normalised or stripped (not even a leading U+FEFF).
std::u16string ToU16(const QString& text);
QString ToQString(std::u16string_view text);

}  // namespace tavrel::ui
