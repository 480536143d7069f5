#include "text/ReadableColors.h"

#include <algorithm>
#include <cmath>

namespace ReadableColors {

namespace {

double linear(double channel)
{
    return channel <= 0.03928 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

double relativeLuminance(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF())
        + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor &a, const QColor &b)
{
    const double first = relativeLuminance(a);
    const double second = relativeLuminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

bool isDark(const QColor &background)
{
    // Where white text reads better than black.
    return contrastRatio(background, Qt::white) > contrastRatio(background, Qt::black);
}

QColor readableOn(const QColor &foreground, const QColor &background, double minimum)
{
    if (!foreground.isValid() || !background.isValid()
        || contrastRatio(foreground, background) >= minimum)
        return foreground;
    const bool lighter = isDark(background);
    float hue = 0;
    float saturation = 0;
    float lightness = 0;
    float alpha = 1;
    foreground.toHsl().getHslF(&hue, &saturation, &lightness, &alpha);
    QColor moved = foreground;
    for (int step = 0; step < 100; ++step) {
        lightness = std::clamp(lightness + (lighter ? 0.01f : -0.01f), 0.0f, 1.0f);
        moved = QColor::fromHslF(hue, saturation, lightness, alpha).toRgb();
        if (contrastRatio(moved, background) >= minimum || lightness <= 0.0f || lightness >= 1.0f)
            break;
    }
    return moved;
}

QColor readableIn(const QColor &preferred, const QPalette &palette, QPalette::ColorRole background,
    QPalette::ColorRole text)
{
    const QColor under = palette.color(QPalette::Active, background);
    if (contrastRatio(preferred, under) >= minimumTextContrast)
        return preferred;
    const QColor own = palette.color(QPalette::Active, text);
    if (contrastRatio(own, under) >= minimumTextContrast)
        return own;
    return readableOn(preferred, under);
}

QColor blend(const QColor &from, const QColor &to, qreal amount)
{
    const QColor a = from.toRgb();
    const QColor b = to.toRgb();
    auto mix = [amount](float x, float y) { return float(x + (y - x) * amount); };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()),
        mix(a.blueF(), b.blueF()), mix(a.alphaF(), b.alphaF()));
}

} // namespace ReadableColors
