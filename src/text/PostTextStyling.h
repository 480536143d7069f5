#pragma once

#include "text/StyledText.h"

#include <QString>
#include <QUrl>

// The display styling of a post text: the base look over the whole text, then
// the entity marks. Nothing is cached between calls, so a change of the font
// size preference reaches every text styled after it.
namespace PostTextStyling {

// "Lucida Grande" is asked for; the font system substitutes the nearest family.
inline constexpr char16_t fontFamily[] = u"Lucida Grande";

// 0 gives 13, 1 gives 15, 2 gives 11, anything else 13.
qreal fontSizeForPreference(qint64 prefsFontSize);
BaseTextStyle baseStyle(qint64 prefsFontSize);

// Usable from any thread: reads no preferences.
StyledText styledText(const QString &text, qint64 prefsFontSize);
// A post's text for its row: a post that came without any text shows a grey
// note instead of a blank row (the record's own text stays empty), and a text
// longer than maximumShownLength shows its beginning and an ellipsis, so that
// no text can make laying out its row freeze the window. The record keeps
// the whole text.
StyledText styledPostText(const QString &text, qint64 prefsFontSize);
inline constexpr int maximumShownLength = 5000;
inline constexpr char16_t missingTextPlaceholder[] = u"This post has no text.";

} // namespace PostTextStyling

// The styled text of a post's "text": reads "prefsFontSize" from the standard
// preferences now. A null or empty text gives an empty text with the base
// style. Call it on the thread that owns Preferences::standard().
StyledText attributedStringFromString(const QString &text);

// The one-way value transformers the list rows use.
struct StringToAttributedStringTransformer {
    static StyledText transformedValue(const QString &text)
    {
        return attributedStringFromString(text);
    }
};

struct StringToURLTransformer {
    // An invalid QUrl where the text is not a valid URL (empty text included).
    static QUrl transformedValue(const QString &text);
};
