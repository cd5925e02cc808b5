#include "ui/form1.h"
#include "ui/messages.h"
#include "ui/pane_text.h"

#include "tests/support/row_name.h"
#include "tests/ui/widget_input.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <ostream>

namespace {

using tavrel::test::Click;
using tavrel::test::Paste;
using tavrel::test::Type;
using tavrel::ui::MessageRecorder;
using tavrel::ui::PaneText;

// A loaded window, shown and active, as the user sees it.
class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        form.Form_Load();
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    QPlainTextEdit* pane(const char* name) { return form.findChild<QPlainTextEdit*>(QLatin1String(name)); }
    QPushButton* button(const char* name) { return form.findChild<QPushButton*>(QLatin1String(name)); }

    Form1 form;
    MessageRecorder messages;
};

struct ConversionCase {
    const char* name;
    friend void PrintTo(const ConversionCase& row, std::ostream* out) { *out << row.name; }
    const char* button;
    const char* source;
    const char* target;
    const char* typed;        // '\n' is a press of Enter
    const char16_t* expected;  // the target's text with CR LF line ends
    int lines;
};

const ConversionCase kConversions[] = {
    {"TraditionalToSimplified", "cmdF2J", "txtF", "txtJ", "中國 ABC 123\n漢語與書，\n\n末行",
     u"中国 ABC 123\r\n汉语与书，\r\n\r\n末行", 4},
    {"SimplifiedToTraditional", "cmdJ2F", "txtJ", "txtF", "中国\n汉语与书", u"中國\r\n漢語與書", 2},
    {"TrailingLineEndKept", "cmdF2J", "txtF", "txtJ", "中國\n", u"中国\r\n", 2},
    {"TextWithoutTableCharacters", "cmdJ2F", "txtJ", "txtF", "abc\n\t123", u"abc\r\n\t123", 2},
};

class PaneConversionTest : public WindowTest, public testing::WithParamInterface<ConversionCase> {};

TEST_P(PaneConversionTest, TargetShowsTheConversionAndSourceStays)
{
    const ConversionCase& row = GetParam();
    QPlainTextEdit* source = pane(row.source);
    QPlainTextEdit* target = pane(row.target);
    source->setFocus();
    Type(source, QString::fromUtf8(row.typed));
    const std::u16string typed = PaneText(*source);

    Click(button(row.button));

    EXPECT_EQ(PaneText(*target), row.expected);
    EXPECT_EQ(target->blockCount(), row.lines);
    EXPECT_FALSE(target->toPlainText().contains(u'\r')) << "a CR shows as a character";
    EXPECT_EQ(PaneText(*source), typed);
    EXPECT_TRUE(messages.messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Form1, PaneConversionTest, testing::ValuesIn(kConversions), tavrel::test::RowName());

// Pasted text may end its lines with CR LF, CR or LF; each is one line end.
TEST_F(WindowTest, PastedLineEndsConvertAsOneLineEndEach)
{
    pane("txtF")->setFocus();
    Paste(pane("txtF"), QStringLiteral("中國\r\n漢語\r與書\n"));
    Click(button("cmdF2J"));
    EXPECT_EQ(PaneText(*pane("txtJ")), u"中国\r\n汉语\r\n与书\r\n");
}

TEST_F(WindowTest, EmptySourceEmptiesTheTarget)
{
    Type(pane("txtJ"), QStringLiteral("旧的文字"));
    Click(button("cmdF2J"));
    EXPECT_TRUE(pane("txtJ")->document()->isEmpty());

    Type(pane("txtF"), QStringLiteral("舊的文字"));
    pane("txtJ")->clear();
    Click(button("cmdJ2F"));
    EXPECT_TRUE(pane("txtF")->document()->isEmpty());
}

TEST_F(WindowTest, ConvertingTwiceGivesTheSameText)
{
    Type(pane("txtF"), QStringLiteral("中國\n漢語"));
    Click(button("cmdF2J"));
    Click(button("cmdF2J"));
    EXPECT_EQ(PaneText(*pane("txtJ")), u"中国\r\n汉语");
}

// Guards against any limit on a pane's length (the old 16-bit count).
TEST_F(WindowTest, MillionCharacterPaneConverts)
{
    QString text;
    std::u16string expected;
    while (text.size() < 1'000'000) {
        text += QStringLiteral("中國ab");
        expected += u"中国ab";
    }
    pane("txtF")->setPlainText(text);
    Click(button("cmdF2J"));
    EXPECT_EQ(PaneText(*pane("txtJ")), expected);
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(WindowTest, AboutShowsTitleAddressesAndOneOkButton)
{
    Click(button("cmdAbout"));
    ASSERT_EQ(messages.messages().size(), 1u);
    const tavrel::ui::Message& about = messages.messages()[0];
    EXPECT_EQ(about.icon, QMessageBox::Information);
    EXPECT_EQ(about.title, QStringLiteral("Tavrel"));
    EXPECT_EQ(about.text, QStringLiteral("Tavrel\r\n邮箱：" TAVREL_CONTACT_EMAIL "\r\n网址：" TAVREL_WEB_ADDRESS));
}

TEST_F(WindowTest, CloseButtonEndsTheProgramAskingNothing)
{
    Type(pane("txtF"), QStringLiteral("未保存的文字"));
    EXPECT_TRUE(tavrel::test::QuitsWhen([this] { Click(button("cmdExit")); }));
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(messages.messages().empty());
}

// The window system's close control arrives as a close event on the window.
TEST_F(WindowTest, CloseControlEndsTheProgramAskingNothing)
{
    Type(pane("txtF"), QStringLiteral("未保存的文字"));
    EXPECT_TRUE(tavrel::test::QuitsWhen([this] { form.windowHandle()->close(); }));
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(WindowTest, ConvertingDoesNotEndTheProgram)
{
    Type(pane("txtF"), QStringLiteral("中國"));
    EXPECT_FALSE(tavrel::test::QuitsWhen([this] { Click(button("cmdF2J")); }));
    EXPECT_TRUE(form.isVisible());
}

}  // namespace
