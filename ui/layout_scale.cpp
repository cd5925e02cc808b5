#include "ui/layout_scale.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QtMath>

#include <algorithm>

namespace tavrel::ui {

namespace {

constexpr int kDesignPixelSize = 12;

double AverageAdvance(const QFont& font)
{
    const QString sample = QStringLiteral("简体繁体转换单个批量文件关于闭示例说明中國");
    return QFontMetricsF(font).horizontalAdvance(sample) / static_cast<double>(sample.size());
}

// The width the style draws a button's caption in: beside a radio button's
// indicator, or inside a push button's bevel.
int CaptionRoom(const QAbstractButton& button)
{
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    const QStyle::SubElement contents =
        qobject_cast<const QRadioButton*>(&button) ? QStyle::SE_RadioButtonContents : QStyle::SE_PushButtonContents;
    return button.style()->subElementRect(contents, &option, &button).width();
}

double ButtonScale(const QAbstractButton& button)
{
    const double chrome = button.width() - CaptionRoom(button);
    const double text = QFontMetricsF(button.font()).horizontalAdvance(button.text());
    return (text + chrome) / button.width();
}

// A label's lines are kept whole and unwrapped, all of them in its height.
double LabelScale(const QLabel& label)
{
    const QSize text = label.fontMetrics().size(0, label.text());
    return std::max(double(text.width()) / label.width(), double(text.height()) / label.height());
}

}  // namespace

double FontScale(const QFont& font)
{
    QFont design = font;
    design.setPixelSize(kDesignPixelSize);
    return AverageAdvance(font) / AverageAdvance(design);
}

double CaptionScale(const QWidget& control)
{
    if (const auto* button = qobject_cast<const QAbstractButton*>(&control))
        return ButtonScale(*button);
    if (const auto* frame = qobject_cast<const QGroupBox*>(&control))
        return double(frame->minimumSizeHint().width()) / frame->width();
    if (const auto* label = qobject_cast<const QLabel*>(&control))
        return LabelScale(*label);
    return 0;
}

double LayoutScale(const QFont& font, std::span<QWidget* const> controls)
{
    double scale = std::max(1.0, FontScale(font));
    return std::max(scale, NeededScale(font, controls));
}

double NeededScale(const QFont& font, std::span<QWidget* const> controls)
{
    double scale = FontScale(font);
    for (const QWidget* control : controls)
        scale = std::max(scale, CaptionScale(*control));
    return scale;
}

double ShrinkToFit(const QSizeF& size, const QSize& room)
{
    return std::min({1.0, room.width() / size.width(), room.height() / size.height()});
}

QFont Shrunk(QFont font, double factor)
{
    if (font.pointSizeF() > 0)
        font.setPointSizeF(font.pointSizeF() * factor);
    else
        font.setPixelSize(std::max(1, qFloor(font.pixelSize() * factor)));
    return font;
}

QRect Scaled(const QRect& rect, double scale)
{
    return {qRound(rect.x() * scale), qRound(rect.y() * scale), qCeil(rect.width() * scale),
            qCeil(rect.height() * scale)};
}

}  // namespace tavrel::ui
