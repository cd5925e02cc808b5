#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace tavrel::test {

// Arranges for `answer` to receive the next modal dialog of type Dialog (a
// message box, a file dialog) once it is shown and running its modal loop;
// `answer` must close it.
template <class Dialog>
void AnswerNextDialog(std::function<void(Dialog&)> answer)
{
    QTimer::singleShot(0, qApp, [answer = std::move(answer)]() mutable {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible())
            answer(*dialog);
        else
            AnswerNextDialog<Dialog>(std::move(answer));
    });
}

}  // namespace tavrel::test
