#include "ui/arrow_keys.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QKeyEvent>

namespace tavrel::ui {

namespace {

// -1 for Left and Up, 1 for Right and Down, 0 for any other key.
int Step(const QKeyEvent& key)
{
    if (key.modifiers() & ~Qt::KeypadModifier)
        return 0;
    switch (key.key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
        return -1;
    case Qt::Key_Right:
    case Qt::Key_Down:
        return 1;
    default:
        return 0;
    }
}

// Watches the buttons of the group it belongs to.
class ArrowMoves : public QObject {
public:
    explicit ArrowMoves(QButtonGroup& group) : QObject(&group), group_(group) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int step = Step(*static_cast<QKeyEvent*>(event));
        const QList<QAbstractButton*> buttons = group_.buttons();
        const qsizetype from = buttons.indexOf(static_cast<QAbstractButton*>(watched));
        if (step == 0 || from < 0)
            return false;
        QAbstractButton* to = buttons[(from + step + buttons.size()) % buttons.size()];
        to->setFocus(Qt::TabFocusReason);
        to->click();
        return true;
    }

private:
    QButtonGroup& group_;
};

}  // namespace

void MoveWithArrows(QButtonGroup& group)
{
    auto* moves = new ArrowMoves(group);
    for (QAbstractButton* button : group.buttons())
        button->installEventFilter(moves);
}

}  // namespace tavrel::ui
