#pragma once

class QAbstractButton;

namespace tavrel::ui {

// Lets Enter and keypad Enter press `button` while it has the focus, as Space
// does, without making it a default button: Enter elsewhere, in a pane for
// instance, keeps its own meaning.
void ClickOnEnter(QAbstractButton& button);

}  // namespace tavrel::ui
