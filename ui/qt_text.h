#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tavrel::ui {

// UTF-16 text from the engine to Qt, code unit for code unit: nothing is
// validated, normalised or stripped (not even a leading U+FEFF).
QString ToQString(std::u16string_view text);

}  // namespace tavrel::ui
