#pragma once

#include <QRect>

#include <span>

class QFont;
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

// `rect` enlarged by `scale` about the container's origin; sizes round up so
// that what fits at the exact scale still fits.
QRect Scaled(const QRect& rect, double scale);

}  // namespace tavrel::ui
