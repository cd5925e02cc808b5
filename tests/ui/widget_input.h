#pragma once

#include "tests/support/scripted_chooser.h"
#include "ui/form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

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

struct ShownMessage {
    QMessageBox::Icon icon;
    QString title;
    QString text;
    const QWidget* parent;
    QStringList buttons;
};

// While it exists, notes every modal message box that shows and closes it at once,
// as a user pressing OK would, so that the window can be driven without
// anyone answering.
struct MessageBoxLog {
    MessageBoxLog()
    {
        QObject::connect(&watch, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            QStringList buttons;
            for (const QAbstractButton* button : box->buttons())
                buttons << button->text();
            shown.push_back({box->icon(), box->windowTitle(), box->text(), box->parentWidget(), buttons});
            box->done(QMessageBox::Ok);
        });
        watch.start(0);
    }

    QTimer watch;
    std::vector<ShownMessage> shown;
};

// The window, loaded, shown and active; its message boxes are noted and closed,
// its file dialogs answered from a script.
class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        form.SetChooserBackend(chooser);
        form.Form_Load();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    template <class Widget = QWidget>
    Widget* Find(const char* name) { return form.findChild<Widget*>(name); }
    void Click(const char* button) { Find<QAbstractButton>(button)->click(); }
    std::string Text(std::size_t i) const { return messages.shown.at(i).text.toStdString(); }

    MessageBoxLog messages;
    ScriptedChooser chooser;
    Form1 form;
};

}  // namespace tavrel::test
