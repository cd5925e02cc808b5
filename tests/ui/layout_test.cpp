#include "ui/form1.h"

#include "tests/support/row_name.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace {

// The window's controls in tab order, with their places in logical pixels.
struct ControlRow {
    const char* name;
    const char* kind;
    const char* container;
    const char* caption;
    QRect geometry;
    friend void PrintTo(const ControlRow& row, std::ostream* out) { *out << row.name; }
};

const ControlRow kControls[] = {
    {"cmdAbout", "QPushButton", "Form1", "关于", {648, 424, 81, 33}},
    {"cmdExit", "QPushButton", "Form1", "关闭", {648, 464, 81, 33}},
    {"Frame1", "QGroupBox", "Form1", "简体", {8, 8, 617, 217}},
    {"txtJ", "QPlainTextEdit", "Frame1", "", {8, 16, 601, 193}},
    {"Frame2", "QGroupBox", "Form1", "繁体", {8, 226, 617, 233}},
    {"Frame3", "QGroupBox", "Form1", "文件转换", {632, 8, 105, 177}},
    {"Command1", "QPushButton", "Frame3", "单个文件转换", {8, 24, 89, 25}},
    {"Command2", "QPushButton", "Frame3", "批量文件转换", {8, 64, 89, 25}},
    {"Option1", "QRadioButton", "Frame3", "繁体转简体", {8, 120, 81, 17}},
    {"Option2", "QRadioButton", "Frame3", "简体转繁体", {8, 144, 81, 17}},
    {"cmdF2J", "QPushButton", "Form1", "繁体转简体", {88, 464, 105, 33}},
    {"cmdJ2F", "QPushButton", "Form1", "简体转繁体", {264, 464, 105, 33}},
    {"Label2", "QLabel", "Form1", "\r\n示例说明:\r\n繁转简:中國->中国\r\n简转繁:中国->中國", {632, 192, 105, 81}},
    {"txtF", "QPlainTextEdit", "Frame2", "", {8, 16, 601, 209}},
};

QString Caption(const QWidget& control)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
        return button->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(&control))
        return frame->title();
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return label->text();
    return qobject_cast<const QPlainTextEdit*>(&control)->toPlainText();
}

template <class Control = QWidget>
Control* Find(const Form1& form, const char* name)
{
    auto* control = form.findChild<Control*>(QLatin1String(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}

class ControlTest : public testing::TestWithParam<ControlRow> {};

TEST_P(ControlTest, HasItsKindContainerCaptionAndPlace)
{
    const ControlRow& row = GetParam();
    Form1 form;
    const QWidget* control = Find(form, row.name);
    ASSERT_NE(control, nullptr);
    EXPECT_STREQ(control->metaObject()->className(), row.kind);
    EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(row.container));
    EXPECT_EQ(Caption(*control), QString::fromUtf8(row.caption));
    EXPECT_EQ(control->geometry(), row.geometry);
}

INSTANTIATE_TEST_SUITE_P(Form1, ControlTest, testing::ValuesIn(kControls), tavrel::test::RowName());

TEST(LayoutTest, WindowHasItsCaptionFixedSizeAndIcon)
{
    Form1 form;
    EXPECT_EQ(form.objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tavrel-" TAVREL_WEB_ADDRESS));
    EXPECT_EQ(form.minimumSize(), QSize(739, 503));
    EXPECT_EQ(form.maximumSize(), QSize(739, 503));
    const QList<QSize> iconSizes = form.windowIcon().availableSizes();
    EXPECT_TRUE(iconSizes.contains(QSize(16, 16)));
    EXPECT_TRUE(iconSizes.contains(QSize(32, 32)));
}

TEST(LayoutTest, FocusChainFollowsTheTabOrder)
{
    Form1 form;
    QStringList expected;
    for (const ControlRow& row : kControls)
        expected << QLatin1String(row.name);
    QStringList chain;
    for (QWidget* widget = form.nextInFocusChain(); widget != &form; widget = widget->nextInFocusChain()) {
        if (expected.contains(widget->objectName()))
            chain << widget->objectName();
    }
    EXPECT_EQ(chain, expected);
}

// Frames and the label take no focus; within the option group Tab visits the
// selected option only; a pane passes Tab on instead of inserting a tab.
TEST(LayoutTest, TabVisitsTheControlsInOrder)
{
    Form1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QStringList visited;
    for (int i = 0; i < 10; ++i) {
        visited << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, QStringList({"cmdAbout", "cmdExit", "txtJ", "Command1", "Command2", "Option1", "cmdF2J",
                                    "cmdJ2F", "txtF", "cmdAbout"}));
}

TEST(LayoutTest, StartsWithEmptyPanesOption1AndFocusOnAbout)
{
    Form1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    EXPECT_EQ(QApplication::focusWidget(), Find(form, "cmdAbout"));
    EXPECT_TRUE(Find<QPlainTextEdit>(form, "txtJ")->document()->isEmpty());
    EXPECT_TRUE(Find<QPlainTextEdit>(form, "txtF")->document()->isEmpty());
    EXPECT_TRUE(Find<QRadioButton>(form, "Option1")->isChecked());
    EXPECT_FALSE(Find<QRadioButton>(form, "Option2")->isChecked());
}

}  // namespace
