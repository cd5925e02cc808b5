#pragma once

#include <QApplication>
#include <QString>
#include <QTimer>

#include <functional>

class QMessageBox;
class QWidget;

namespace tavrel::test {

// Types text into a widget as a keyboard would: Chinese arrives as key events
// carrying text, and each '\n' is a press of Enter.
void Type(QWidget* widget, const QString& text);

// Pastes text through the clipboard with Ctrl+V.
void Paste(QWidget* widget, const QString& text);

// Clicks a button of the window with the mouse.
void Click(QWidget* button);

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

// Runs the application's event loop, does `action` in it and tells whether the
// application was asked to quit as a result.
bool QuitsWhen(const std::function<void()>& action);

}  // namespace tavrel::test
