#include "ui/form1.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
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
// caption and place, with the design font (9 points, pinned by the test main).
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

// The width the style draws a button's caption in at its present size; a
// label's or a frame's whole width.
int CaptionRoom(const QWidget& control)
{
    const auto* button = qobject_cast<const QAbstractButton*>(&control);
    if (!button)
        return control.width();
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const bool radio = qobject_cast<const QRadioButton*>(button);
    return button->style()
        ->subElementRect(radio ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents, &option, button)
        .width();
}

// Runs with the application's font at the parameter's point size.
class FontSizeTest : public testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        QFont font = saved_;
        font.setPointSize(GetParam());
        QApplication::setFont(font);
    }
    void TearDown() override { QApplication::setFont(saved_); }

    const QFont saved_ = QApplication::font();
};

// Every caption is whole with common desktop font sizes, no line of the label
// wraps or falls below it, and the layout keeps its proportions, never
// smaller than the design.
TEST_P(FontSizeTest, CaptionsFitAndTheLayoutKeepsItsProportions)
{
    Form1 form;
    const double scale = form.width() / 739.0;
    if (GetParam() <= 9) {
        EXPECT_EQ(form.size(), QSize(739, 503));
    }
    EXPECT_GE(scale, QFontInfo(form.font()).pixelSize() / 12.0) << "grows with the font's pixel size";
    EXPECT_NEAR(form.height(), 503 * scale, 1.0);
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        const QWidget* control = form.findChild<QWidget*>(row.name);
        for (const QString& line : QString::fromUtf8(row.caption).split(QStringLiteral("\r\n")))
            EXPECT_LE(QFontMetricsF(control->font()).horizontalAdvance(line), CaptionRoom(*control));
        if (const auto* label = qobject_cast<const QLabel*>(control)) {
            EXPECT_LE(label->heightForWidth(label->width()), label->height());
        }
        const QRectF place = control->geometry(), design(row.place);
        // Corners of the scaled design, up to rounding a pixel and a half each way.
        EXPECT_LE((place.topLeft() - design.topLeft() * scale).manhattanLength(), 3.0);
        EXPECT_LE((place.bottomRight() - design.bottomRight() * scale).manhattanLength(), 3.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Font, FontSizeTest, testing::Values(8, 9, 10, 11, 12),
                         [](const testing::TestParamInfo<int>& row) { return "Points" + std::to_string(row.param); });

// Button chrome wider than the design's (as some desktop themes have) enlarges
// the window even with the design font.
TEST(LayoutTest, WideButtonChromeEnlargesTheLayout)
{
    qApp->setStyleSheet(QStringLiteral("QPushButton { padding: 0 20px; }"));
    Form1 form;
    const auto* widest = form.findChild<QAbstractButton*>("Command1");
    EXPECT_LE(QFontMetricsF(widest->font()).horizontalAdvance(widest->text()), CaptionRoom(*widest));
    EXPECT_GT(form.width(), 739);
    qApp->setStyleSheet(QString());
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
