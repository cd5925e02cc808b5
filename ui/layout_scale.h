#pragma once

#include <QFont>
#include <QRect>

#include <span>

class QWidget;

namespace tavrel::ui {

// How much wider than the window's design font (12 pixels, 9 points on a 96
// dpi screen) `font` sets Chinese text: the ratio of their average advance
// over a sample of the window's characters.
double FontScale(const QFont& font);

// The least factor by which `control`, at its present size, must grow for its
// caption to fit whole in its font; 0 for a control without a caption.
double CaptionScale(const QWidget& control);

// The factor the window's layout is enlarged by for `font`: its font's scale,
// or more where a caption of `controls` needs it, and never below 1.
double LayoutScale(const QFont& font, std::span<QWidget* const> controls);

// The factor the layout needs for `font` and the captions of `controls`,
// below 1 for a font smaller than the design's.
double NeededScale(const QFont& font, std::span<QWidget* const> controls);

// The factor by which `size` must shrink to fit in `room`; 1 when it fits.
double ShrinkToFit(const QSizeF& size, const QSize& room);

// `font` made smaller by `factor`, whether it was set in points or pixels.
QFont Shrunk(QFont font, double factor);

// `rect` enlarged by `scale` about the container's origin; sizes round up so
// that what fits at the exact scale still fits.
QRect Scaled(const QRect& rect, double scale);

}  // namespace tavrel::ui
