#include "ui/form1.h"
#include "ui/pane_text.h"

#include "tests/support/row_name.h"
#include "tests/ui/widget_input.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

// The window, loaded, shown and active; its message boxes are noted and closed.
class WindowTest : public testing::Test {
protected:
    void SetUp() override { form.Form_Load(); form.show(); ASSERT_TRUE(QTest::qWaitForWindowActive(&form)); }
    QPlainTextEdit* pane(bool upper) { return form.findChild<QPlainTextEdit*>(upper ? "txtJ" : "txtF"); }
    void Click(const char* button) { QTest::mouseClick(form.findChild<QPushButton*>(button), Qt::LeftButton); }

    tavrel::test::MessageBoxLog messages;
    Form1 form;
};

// What is typed ('\n' is Enter, '\v' Shift+Enter) and then pasted into the
// source pane, the source as the converter reads it and the other pane then,
// each repeated `times`.
struct PaneCase {
    const char* name;
    bool toSimplified;  // 繁体转简体: the lower pane into the upper; else the reverse
    const char16_t *typed, *pasted, *read, *expected;
    int clicks, times;
    friend void PrintTo(const PaneCase& row, std::ostream* out) { *out << row.name; }
};

const PaneCase kPanes[] = {
    {"TypedEnter", true, u"中國 a1\n\n漢", u"", u"中國 a1\r\n\r\n漢", u"中国 a1\r\n\r\n汉", 1, 1},
    {"ShiftEnter", false, u"中国\v汉", u"", u"中国\r\n汉", u"中國\r\n漢", 1, 1},
    {"PastedCrLfCrAndLf", true, u"", u"中\r\n國\r漢\n", u"中\r\n國\r\n漢\r\n", u"中\r\n国\r\n汉\r\n", 1, 1},
    {"TypedThenPasted", false, u"中国\n", u"汉", u"中国\r\n汉", u"中國\r\n漢", 1, 1},
    // toPlainText() would change U+00A0, QString::fromUtf16 drop the leading U+FEFF.
    {"UnitsKept", true, u"", u"\uFEFF國\t\u00A0\U00020000", u"\uFEFF國\t\u00A0\U00020000", u"\uFEFF国\t\u00A0\U00020000", 1, 1},
    {"EmptyPane", false, u"", u"", u"", u"", 1, 1},
    {"ConvertingTwice", true, u"中國\n漢", u"", u"中國\r\n漢", u"中国\r\n汉", 2, 1},
    // Guards against any limit on a pane's length (the old 16-bit count).
    {"MillionCharacters", true, u"", u"中國ab", u"中國ab", u"中国ab", 1, 250'000},
};

class PaneTest : public WindowTest, public testing::WithParamInterface<PaneCase> {};

// The other pane's text is replaced by the conversion, a line per line end; the source stays.
TEST_P(PaneTest, OtherPaneShowsTheConversion)
{
    const PaneCase& row = GetParam();
    QPlainTextEdit* source = pane(!row.toSimplified);
    QPlainTextEdit* target = pane(row.toSimplified);
    target->setPlainText(QStringLiteral("旧的文字"));
    source->setFocus();
    const auto times = [&](const char16_t* text) { return QStringView(text).toString().repeated(row.times); };
    for (const QChar key : times(row.typed))
        QTest::sendKeyEvent(QTest::Click, source, key == u'\n' || key == u'\v' ? Qt::Key_Return : Qt::Key_unknown,
                            QString(key), key == u'\v' ? Qt::ShiftModifier : Qt::NoModifier);
    QApplication::clipboard()->setText(times(row.pasted));
    QTest::keyClick(source, Qt::Key_V, Qt::ControlModifier);
    for (int i = 0; i < row.clicks; ++i)
        Click(row.toSimplified ? "cmdF2J" : "cmdJ2F");
    EXPECT_EQ(tavrel::ui::PaneText(*source), times(row.read).toStdU16String());
    EXPECT_EQ(tavrel::ui::PaneText(*target), times(row.expected).toStdU16String());
    EXPECT_EQ(target->blockCount(), 1 + times(row.expected).count(u'\n'));
    EXPECT_TRUE(messages.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Form1, PaneTest, testing::ValuesIn(kPanes), tavrel::test::RowName());

// Sees whether the application was asked to quit.
struct QuitWatch : QObject {
    bool asked = false;
    bool eventFilter(QObject*, QEvent* event) override { asked = asked || event->type() == QEvent::Quit; return false; }
};

struct QuitCase {
    const char *name, *button;  // no button: the window system's close control
    bool quits;
    friend void PrintTo(const QuitCase& row, std::ostream* out) { *out << row.name; }
};

const QuitCase kQuits[] = {
    {"CloseButton", "cmdExit", true}, {"CloseControl", nullptr, true}, {"ConvertButtonKeepsRunning", "cmdF2J", false}};

class QuitTest : public WindowTest, public testing::WithParamInterface<QuitCase> {};

// With unsaved text in a pane, closing ends the program asking nothing;
// converting does not end it.
TEST_P(QuitTest, OnlyClosingEndsTheProgramAndAsksNothing)
{
    pane(false)->setPlainText(QStringLiteral("未保存的文字"));
    QuitWatch watch;
    qApp->installEventFilter(&watch);
    QMetaObject::invokeMethod(qApp, [&] {
        GetParam().button ? Click(GetParam().button) : void(form.windowHandle()->close());
        // Queued behind whatever the action posted, so a quit request is seen first.
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(); }, Qt::QueuedConnection);
    }, Qt::QueuedConnection);
    QCoreApplication::exec();
    EXPECT_EQ(watch.asked, GetParam().quits);
    EXPECT_EQ(form.isVisible(), !GetParam().quits);
    EXPECT_TRUE(messages.Messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Form1, QuitTest, testing::ValuesIn(kQuits), tavrel::test::RowName());

}  // namespace
