#pragma once

class QButtonGroup;

namespace tavrel::ui {

// Lets all four arrow keys move among the buttons of `group`, choosing the
// one moved to, as option buttons do on Windows: Left and Up to the previous
// one, Right and Down to the next, round from the last to the first. Qt's
// own buttons move with Up and Down only.
void MoveWithArrows(QButtonGroup& group);

}  // namespace tavrel::ui
