#include "text/PostTextStyling.h"

#include "core/Preferences.h"
#include "text/EntityMarking.h"

#include <algorithm>

namespace PostTextStyling {

qreal fontSizeForPreference(qint64 prefsFontSize)
{
    switch (prefsFontSize) {
    case 1:
        return 15;
    case 2:
        return 11;
    default:
        return 13;
    }
}

BaseTextStyle baseStyle(qint64 prefsFontSize)
{
    BaseTextStyle style;
    style.fontFamilies = { QString::fromUtf16(fontFamily) };
    style.fontSize = fontSizeForPreference(prefsFontSize);
    style.color = QColor::fromRgbF(0.098f, 0.098f, 0.098f);
    style.shadowColor = QColor::fromRgbF(1, 1, 1, 0.4f);
    // One point below the glyphs: the shadow's (0, -1) in a y-up space.
    style.shadowOffset = QPointF(0, 1);
    style.shadowBlur = 0;
    return style;
}

StyledText styledText(const QString &text, qint64 prefsFontSize)
{
    StyledText styled(text, baseStyle(prefsFontSize));
    EntityMarking::markEntities(styled);
    return styled;
}

StyledText styledPostText(const QString &text, qint64 prefsFontSize)
{
    if (text.size() > maximumShownLength) {
        // The marks come from the whole text, so a link cut by the ellipsis
        // still opens its whole address; only those that start in the part
        // shown are looked for.
        int cut = maximumShownLength;
        if (text.at(cut - 1).isHighSurrogate())
            --cut;
        StyledText shown(text.left(cut) + QChar(0x2026), baseStyle(prefsFontSize));
        EntityMarking::markEntities(shown, text, cut);
        return shown;
    }
    if (!text.trimmed().isEmpty())
        return styledText(text, prefsFontSize);
    BaseTextStyle style = baseStyle(prefsFontSize);
    style.color = QColor(0x80, 0x80, 0x80);
    return StyledText(QString::fromUtf16(missingTextPlaceholder), style);
}

} // namespace PostTextStyling

StyledText attributedStringFromString(const QString &text)
{
    return PostTextStyling::styledText(text, Preferences::standard().value(prefs::prefsFontSize));
}

QUrl StringToURLTransformer::transformedValue(const QString &text)
{
    if (text.isEmpty())
        return {};
    QUrl url(text, QUrl::StrictMode);
    return url.isValid() ? url : QUrl();
}
