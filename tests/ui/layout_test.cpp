#include "ui/form1.h"

#include <QApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The window's controls in tab order, with their places in logical pixels.
struct ControlRow {
    const char *name, *kind, *container, *caption;  // a frame's title, a pane's text
    QRect place;
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

// The window's caption, fixed size and icons; every control's class, container,
// caption and place.
TEST(LayoutTest, WindowAndControlsHaveTheirCaptionsAndPlaces)
{
    Form1 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tavrel-" TAVREL_WEB_ADDRESS));
    EXPECT_EQ(form.minimumSize(), QSize(739, 503));
    EXPECT_EQ(form.maximumSize(), QSize(739, 503));
    for (const int size : {16, 32})
        EXPECT_TRUE(form.windowIcon().availableSizes().contains(QSize(size, size))) << size;
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        const QWidget* control = form.findChild<QWidget*>(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_STREQ(control->metaObject()->className(), row.kind);
        EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(row.container));
        const char* caption = qobject_cast<const QGroupBox*>(control)        ? "title"
                              : qobject_cast<const QPlainTextEdit*>(control) ? "plainText" : "text";
        EXPECT_EQ(control->property(caption).toString(), QString::fromUtf8(row.caption));
        EXPECT_EQ(control->geometry(), row.place);
    }
}

// Focus starts on About; Tab skips frames and the label, visits only the
// chosen option of the group, and leaves a pane instead of inserting a tab.
TEST(LayoutTest, TabVisitsTheControlsInOrderFromAbout)
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
    auto* option1 = form.findChild<QRadioButton*>("Option1");
    EXPECT_TRUE(option1->isChecked());
    form.findChild<QRadioButton*>("Option2")->click();
    EXPECT_FALSE(option1->isChecked()) << "the two options are one group";
}

}  // namespace
