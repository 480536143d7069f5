#pragma once

#include <QColor>
#include <QPalette>

// Colours that stay readable on the desktop's palette: the contrast of two
// colours as accessibility guidelines measure it, and a colour moved just
// far enough in lightness, keeping its hue, to reach a contrast.
namespace ReadableColors {

inline constexpr double minimumTextContrast = 4.5;

double relativeLuminance(const QColor &color);
// From 1 (no contrast) to 21 (black on white).
double contrastRatio(const QColor &a, const QColor &b);
bool isDark(const QColor &background);
// `foreground` itself when it is readable on `background`; else the same
// hue made lighter (on a dark background) or darker until it is.
QColor readableOn(
    const QColor &foreground, const QColor &background, double minimum = minimumTextContrast);
// `preferred` where it reads on the palette's `background`; else the
// palette's own `text` colour when that reads; else `preferred` moved.
QColor readableIn(const QColor &preferred, const QPalette &palette,
    QPalette::ColorRole background = QPalette::Base, QPalette::ColorRole text = QPalette::Text);
// `from` moved `amount` (0 to 1) of the way to `to`.
QColor blend(const QColor &from, const QColor &to, qreal amount);

} // namespace ReadableColors
