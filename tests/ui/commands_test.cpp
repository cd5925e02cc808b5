#include "ui/messages.h"
#include "ui/pane_text.h"
#include "ui/translations.h"

#include "tests/support/row_name.h"
#include "tests/ui/widget_input.h"

#include <QClipboard>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <new>

namespace {

using tavrel::test::WindowTest;

// What is typed ('\n' is Enter, '\v' Shift+Enter) and then pasted into the
// source pane, the source as the converter reads it and the other pane then.
struct PaneCase {
    const char* name;
    bool toSimplified;  // 繁体转简体: the lower pane into the upper; else the reverse
    const char16_t *typed, *pasted, *read, *expected;
    friend void PrintTo(const PaneCase& row, std::ostream* out) { *out << row.name; }
};

const PaneCase kPanes[] = {
    {"TypedEnter", true, u"中國 a1\n\n漢", u"", u"中國 a1\r\n\r\n漢", u"中国 a1\r\n\r\n汉"},
    {"ShiftEnter", false, u"中国\v汉", u"", u"中国\r\n汉", u"中國\r\n漢"},
    {"PastedCrLfCrAndLf", true, u"", u"中\r\n國\r漢\n", u"中\r\n國\r\n漢\r\n", u"中\r\n国\r\n汉\r\n"},
    // toPlainText() would change U+00A0, QString::fromUtf16 drop the leading U+FEFF.
    {"UnitsKept", true, u"", u"\uFEFF國\t\u00A0\U00020000", u"\uFEFF國\t\u00A0\U00020000", u"\uFEFF国\t\u00A0\U00020000"},
    {"EmptyPane", false, u"", u"", u"", u""},
};

class PaneTest : public WindowTest, public testing::WithParamInterface<PaneCase> {};

// The other pane's text is replaced by the conversion, a line per line end; the source stays.
TEST_P(PaneTest, OtherPaneShowsTheConversion)
{
    const PaneCase& row = GetParam();
    auto* source = Find<QPlainTextEdit>(row.toSimplified ? "txtF" : "txtJ");
    auto* target = Find<QPlainTextEdit>(row.toSimplified ? "txtJ" : "txtF");
    target->setPlainText(QStringLiteral("旧的文字"));
    source->setFocus();
    for (const QChar key : QStringView(row.typed))
        QTest::sendKeyEvent(QTest::Click, source, key == u'\n' || key == u'\v' ? Qt::Key_Return : Qt::Key_unknown,
                            QString(key), key == u'\v' ? Qt::ShiftModifier : Qt::NoModifier);
    QApplication::clipboard()->setText(QStringView(row.pasted).toString());
    QTest::keyClick(source, Qt::Key_V, Qt::ControlModifier);
    Click(row.toSimplified ? "cmdF2J" : "cmdJ2F");
    EXPECT_EQ(tavrel::ui::PaneText(*source), row.read);
    EXPECT_EQ(tavrel::ui::PaneText(*target), row.expected);
    EXPECT_EQ(target->blockCount(), 1 + QStringView(row.expected).count(u'\n'));
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Form1, PaneTest, testing::ValuesIn(kPanes), tavrel::test::RowName());

// Enter and keypad Enter press the focused button or option as Space does, yet
// no button is a default one: keypad Enter in a pane (Enter is in the pane
// table above) still starts a new line and opens nothing.
TEST_F(WindowTest, EnterPressesTheFocusedButtonOnly)
{
    for (const char* control : {"cmdAbout", "Option2", "txtF"}) {
        Find(control)->setFocus();
        QTest::keyClick(Find(control), Qt::Key_Return);
        QTest::keyClick(Find(control), Qt::Key_Enter, Qt::KeypadModifier);
    }
    EXPECT_EQ(messages.shown.size(), 2u) << "About, opened by each Enter on it";
    EXPECT_TRUE(Find<QRadioButton>("Option2")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>("Option1")->isChecked()) << "the two options are one group";
    EXPECT_EQ(Find<QPlainTextEdit>("txtF")->toPlainText(), QStringLiteral("\n\n"));
}

// All four arrow keys move between the two options, round from either end,
// and choose the one moved to.
TEST_F(WindowTest, ArrowKeysMoveBetweenTheOptions)
{
    const struct { const char* from; Qt::Key key; const char* to; } rows[] = {
        {"Option1", Qt::Key_Down, "Option2"},  {"Option2", Qt::Key_Up, "Option1"},
        {"Option1", Qt::Key_Right, "Option2"}, {"Option2", Qt::Key_Left, "Option1"},
        {"Option1", Qt::Key_Left, "Option2"},  {"Option2", Qt::Key_Right, "Option1"}};
    for (const auto& row : rows) {
        Click(row.from);
        Find(row.from)->setFocus();
        QTest::keyClick(Find(row.from), row.key);
        EXPECT_EQ(QApplication::focusWidget()->objectName(), QLatin1String(row.to)) << row.from << row.key;
        EXPECT_TRUE(Find<QRadioButton>(row.to)->isChecked()) << row.from << row.key;
    }
}

// Focus starts on About; Tab skips frames and the label, visits only the
// chosen option of the group, and leaves a pane instead of inserting a tab.
TEST_F(WindowTest, TabVisitsTheControlsInOrderFromAbout)
{
    QStringList visited;
    for (int i = 0; i < 10; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, QStringList({"cmdAbout", "cmdExit", "txtJ", "Command1", "Command2", "Option1", "cmdF2J",
                                    "cmdJ2F", "txtF", "cmdAbout"}));
}

// A modal box over the window, with the About text and Qt's Chinese OK button.
TEST_F(WindowTest, AboutIsAModalBoxWithTheAddressesAndOneChineseOkButton)
{
    tavrel::ui::InstallQtTranslations(*qApp);
    Click("cmdAbout");
    const tavrel::test::ShownMessage& about = messages.shown.at(0);
    EXPECT_EQ(about.parent, &form);
    EXPECT_EQ(about.icon, QMessageBox::Information);
    EXPECT_EQ(about.title, QStringLiteral("Tavrel"));
    EXPECT_EQ(about.text, QStringLiteral("Tavrel\r\n邮箱：" TAVREL_CONTACT_EMAIL "\r\n网址：" TAVREL_WEB_ADDRESS));
    EXPECT_EQ(about.buttons, QStringList(QStringLiteral("确定")));
}

// A failed allocation is reported in Chinese, not as the library's "std::bad_alloc".
TEST(MessagesTest, OutOfMemoryIsReportedInChinese)
{
    tavrel::test::MessageBoxLog boxes;
    tavrel::ui::ShowFailure(nullptr, std::bad_alloc());
    EXPECT_EQ(boxes.shown.at(0).text, QStringLiteral("内存不足，无法完成这项操作。"));
}

}  // namespace
