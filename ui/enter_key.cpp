#include "ui/enter_key.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace tavrel::ui {

namespace {

bool IsEnter(const QKeyEvent& key)
{
    const bool enterKey = key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
    return enterKey && (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !key.isAutoRepeat();
}

// Watches the one button it belongs to and clicks it on Enter, as a default
// button clicks on a key press.
class EnterClicks : public QObject {
public:
    explicit EnterClicks(QAbstractButton& button) : QObject(&button), button_(button) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != &button_ || event->type() != QEvent::KeyPress || !IsEnter(*static_cast<QKeyEvent*>(event)))
            return false;
        button_.click();
        return true;
    }

private:
    QAbstractButton& button_;
};

}  // namespace

void ClickOnEnter(QAbstractButton& button)
{
    button.installEventFilter(new EnterClicks(button));
}

}  // namespace tavrel::ui
