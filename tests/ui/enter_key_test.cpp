#include "ui/form1.h"
#include "ui/messages.h"

#include "tests/support/row_name.h"
#include "tests/ui/widget_input.h"

#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>


namespace {

struct EnterRow {
    const char *name, *control;
    Qt::Key key;
    bool opensAbout;
    friend void PrintTo(const EnterRow& row, std::ostream* out) { *out << row.name; }
};

const EnterRow kEnterRows[] = {
    {"EnterOnAbout", "cmdAbout", Qt::Key_Return, true},
    {"KeypadEnterOnAbout", "cmdAbout", Qt::Key_Enter, true},
    {"EnterSelectsOption", "Option2", Qt::Key_Return, false},
    {"EnterInPaneAddsALine", "txtJ", Qt::Key_Return, false},
    {"KeypadEnterInPaneAddsALine", "txtF", Qt::Key_Enter, false},
};

class EnterKeyTest : public testing::TestWithParam<EnterRow> {};

// Enter presses the focused button or option as Space does, yet no button is
// a default one: Enter in a pane still starts a new line and opens nothing.
TEST_P(EnterKeyTest, EnterPressesTheFocusedButtonOnly)
{
    const EnterRow& row = GetParam();
    Form1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QWidget* control = form.findChild<QWidget*>(row.control);
    control->setFocus();
    tavrel::test::MessageBoxLog boxes;
    const auto keypad = row.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
    QTest::keyClick(control, row.key, keypad);
    ASSERT_EQ(boxes.Messages().size(), row.opensAbout ? 1u : 0u);
    if (row.opensAbout) {
        EXPECT_EQ(boxes.Messages()[0].title, QStringLiteral("Tavrel"));
    }
    if (auto* option = qobject_cast<QRadioButton*>(control)) {
        EXPECT_TRUE(option->isChecked());
    }
    if (auto* pane = qobject_cast<QPlainTextEdit*>(control)) {
        EXPECT_EQ(pane->toPlainText(), QStringLiteral("\n"));
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, EnterKeyTest, testing::ValuesIn(kEnterRows), tavrel::test::RowName());

}  // namespace
