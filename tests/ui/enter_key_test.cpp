#include "ui/form1.h"
#include "ui/messages.h"

#include "tests/support/row_name.h"
#include "tests/ui/widget_input.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

namespace {

// A key pressed on a focused control and what it must do there; the About box
// is answered through the event loop, anything else shown would be recorded.
struct EnterRow {
    const char* name;
    const char* control;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool opensAbout;
    const char16_t* paneText;  // a pane's text afterwards
    friend void PrintTo(const EnterRow& row, std::ostream* out) { *out << row.name; }
};

const EnterRow kEnterRows[] = {
    {"EnterOnAbout", "cmdAbout", Qt::Key_Return, Qt::NoModifier, true, nullptr},
    {"KeypadEnterOnAbout", "cmdAbout", Qt::Key_Enter, Qt::KeypadModifier, true, nullptr},
    {"EnterOnOption", "Option2", Qt::Key_Return, Qt::NoModifier, false, nullptr},
    {"KeypadEnterOnOption", "Option2", Qt::Key_Enter, Qt::KeypadModifier, false, nullptr},
    {"EnterInPane", "txtJ", Qt::Key_Return, Qt::NoModifier, false, u"\n"},
    {"KeypadEnterInPane", "txtF", Qt::Key_Enter, Qt::KeypadModifier, false, u"\n"},
};

class EnterKeyTest : public testing::TestWithParam<EnterRow> {};

// Enter presses the focused button as Space does, while no button is a
// default one, so Enter in a pane still starts a new line.
TEST_P(EnterKeyTest, EnterPressesTheFocusedButtonOnly)
{
    const EnterRow& row = GetParam();
    Form1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QWidget* control = form.findChild<QWidget*>(row.control);
    control->setFocus();
    bool aboutShown = false;
    std::optional<tavrel::ui::MessageRecorder> recorder;
    if (row.opensAbout) {
        tavrel::test::AnswerNextDialog<QMessageBox>([&](QMessageBox& box) {
            aboutShown = box.windowTitle() == QStringLiteral("Tavrel");
            box.done(0);
        });
    } else {
        recorder.emplace();
    }
    QTest::keyClick(control, row.key, row.modifiers);
    EXPECT_EQ(aboutShown, row.opensAbout);
    if (recorder) {
        EXPECT_TRUE(recorder->messages().empty());
    }
    if (auto* option = qobject_cast<QRadioButton*>(control)) {
        EXPECT_TRUE(option->isChecked());
    }
    if (auto* pane = qobject_cast<QPlainTextEdit*>(control)) {
        EXPECT_EQ(pane->toPlainText(), QString::fromUtf16(row.paneText));
    }
    for (const QPushButton* button : form.findChildren<QPushButton*>())
        EXPECT_FALSE(button->isDefault() || button->autoDefault()) << button->objectName().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Keys, EnterKeyTest, testing::ValuesIn(kEnterRows), tavrel::test::RowName());

}  // namespace
