#include "ui/form1.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionButton>

#include <gtest/gtest.h>

namespace {

// The window's controls: their containers, captions (a frame's title, a pane's
// text) and places in logical pixels with the design font, 9 points.
struct ControlRow {
    const char *name, *container, *caption;
    QRect place;
};

const ControlRow kControls[] = {
    {"cmdAbout", "Form1", "关于", {648, 424, 81, 33}},
    {"cmdExit", "Form1", "关闭", {648, 464, 81, 33}},
    {"Frame1", "Form1", "简体", {8, 8, 617, 217}},
    {"txtJ", "Frame1", "", {8, 16, 601, 193}},
    {"Frame2", "Form1", "繁体", {8, 226, 617, 233}},
    {"Frame3", "Form1", "文件转换", {632, 8, 105, 177}},
    {"Command1", "Frame3", "单个文件转换", {8, 24, 89, 25}},
    {"Command2", "Frame3", "批量文件转换", {8, 64, 89, 25}},
    {"Option1", "Frame3", "繁体转简体", {8, 120, 81, 17}},
    {"Option2", "Frame3", "简体转繁体", {8, 144, 81, 17}},
    {"cmdF2J", "Form1", "繁体转简体", {88, 464, 105, 33}},
    {"cmdJ2F", "Form1", "简体转繁体", {264, 464, 105, 33}},
    {"Label2", "Form1", "\r\n示例说明:\r\n繁转简:中國->中国\r\n简转繁:中国->中國", {632, 192, 105, 81}},
    {"txtF", "Frame2", "", {8, 16, 601, 209}},
};

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

// The parameter is the application font's point size.
class FontSizeTest : public testing::TestWithParam<int> {};

// With common desktop font sizes every caption is there and whole, no line of
// the label wraps or falls below it, and the fixed-size window keeps the
// design's proportions, never smaller than the design unless the screen is:
// then its font shrinks too.
TEST_P(FontSizeTest, CaptionsFitAndTheLayoutKeepsItsProportions)
{
    const auto restore = qScopeGuard([saved = QApplication::font()] { QApplication::setFont(saved); });
    QFont font = QApplication::font();
    font.setPointSize(GetParam());
    QApplication::setFont(font);
    Form1 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Tavrel-" TAVREL_WEB_ADDRESS));
    for (const int size : {16, 32})
        EXPECT_TRUE(form.windowIcon().availableSizes().contains(QSize(size, size))) << size;
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    // The offscreen screen is 800x600: a large font makes a layout that must shrink.
    EXPECT_TRUE(form.screen()->availableGeometry().contains(QRect(QPoint(), form.frameGeometry().size())));
    const double scale = form.width() / 739.0;
    if (GetParam() <= 9) {
        EXPECT_EQ(form.size(), QSize(739, 503));
    }
    EXPECT_GE(scale, QFontInfo(form.font()).pixelSize() / 12.0) << "grows with the font's pixel size";
    EXPECT_NEAR(form.height(), 503 * scale, 1.0);
    for (const ControlRow& row : kControls) {
        SCOPED_TRACE(row.name);
        const QWidget* control = form.findChild<QWidget*>(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(row.container));
        const char* caption = qobject_cast<const QGroupBox*>(control)        ? "title"
                              : qobject_cast<const QPlainTextEdit*>(control) ? "plainText" : "text";
        EXPECT_EQ(control->property(caption).toString(), QString::fromUtf8(row.caption));
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

INSTANTIATE_TEST_SUITE_P(Font, FontSizeTest, testing::Values(8, 9, 10, 11, 12, 16),
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

}  // namespace
