#pragma once

#include <string>
#include <string_view>

class QPlainTextEdit;

namespace tavrel::ui {

// The whole text of a pane as the converter gets it: every line end, whether
// typed with Enter or Shift+Enter or pasted, is CR LF.
std::u16string PaneText(const QPlainTextEdit& pane);

// Replaces the whole text of a pane. CR LF, a lone CR and a lone LF each start
// a new line, so no CR is ever shown as a character.
void SetPaneText(QPlainTextEdit& pane, std::u16string_view text);

}  // namespace tavrel::ui
