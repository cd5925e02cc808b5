#include "ui/pane_text.h"
#include "ui/qt_text.h"

#include "tests/support/row_name.h"
#include "tests/ui/widget_input.h"

#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace {

using tavrel::ui::PaneText;
using tavrel::ui::SetPaneText;

TEST(PaneTextTest, EnterAndShiftEnterGiveCrLf)
{
    QPlainTextEdit pane;
    tavrel::test::Type(&pane, QStringLiteral("一\n二"));
    QTest::keyClick(&pane, Qt::Key_Return, Qt::ShiftModifier);
    tavrel::test::Type(&pane, QStringLiteral("三"));
    EXPECT_EQ(PaneText(pane), u"一\r\n二\r\n三");
}

struct PasteCase {
    const char* name;
    friend void PrintTo(const PasteCase& row, std::ostream* out) { *out << row.name; }
    const char16_t* pasted;
    const char16_t* converted;
};

const PasteCase kPastes[] = {
    {"Empty", u"", u""},
    {"CrLf", u"甲\r\n乙", u"甲\r\n乙"},
    {"LoneCr", u"甲\r乙", u"甲\r\n乙"},
    {"LoneLf", u"甲\n乙", u"甲\r\n乙"},
    {"ParagraphSeparator", u"甲\u2029乙", u"甲\r\n乙"},
    {"EmptyLinesAndTrailingLineEnd", u"\r\n甲\r\n\r\n", u"\r\n甲\r\n\r\n"},
    // toPlainText() would turn these into a space and a line end.
    {"NoBreakSpaceKept", u"甲\u00A0乙", u"甲\u00A0乙"},
    {"SurrogatePairKept", u"\U00020000", u"\U00020000"},
};

class PasteTest : public testing::TestWithParam<PasteCase> {};

TEST_P(PasteTest, PaneHandsTheConverterCrLfLineEnds)
{
    QPlainTextEdit pane;
    tavrel::test::Paste(&pane, QString::fromUtf16(GetParam().pasted));
    EXPECT_EQ(PaneText(pane), GetParam().converted);
}

INSTANTIATE_TEST_SUITE_P(PaneText, PasteTest, testing::ValuesIn(kPastes), tavrel::test::RowName());

struct ShowCase {
    const char* name;
    friend void PrintTo(const ShowCase& row, std::ostream* out) { *out << row.name; }
    const char16_t* text;
    int lines;
};

const ShowCase kShown[] = {
    {"CrLf", u"甲\r\n乙\r\n", 3},
    {"LoneCr", u"甲\r乙", 2},
    {"LoneLf", u"甲\n乙", 2},
    {"EmptyLines", u"\r\n\r\n", 3},
};

class ShowTest : public testing::TestWithParam<ShowCase> {};

TEST_P(ShowTest, EachLineEndStartsALineAndNoCrShows)
{
    QPlainTextEdit pane;
    SetPaneText(pane, GetParam().text);
    EXPECT_EQ(pane.blockCount(), GetParam().lines);
    EXPECT_FALSE(pane.toPlainText().contains(u'\r'));
}

INSTANTIATE_TEST_SUITE_P(PaneText, ShowTest, testing::ValuesIn(kShown), tavrel::test::RowName());

// Guards against QString::fromUtf16, which drops a leading byte-order mark.
TEST(QtTextTest, CodeUnitsPassUnchanged)
{
    const std::u16string texts[] = {u"\uFEFF中國", std::u16string(u"a\0b", 3), u"\xD800 lone", u"\U0002A6A5"};
    for (const std::u16string& text : texts)
        EXPECT_EQ(tavrel::ui::ToU16(tavrel::ui::ToQString(text)), text);
}

}  // namespace
