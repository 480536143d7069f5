// Any text, as UTF-8 or as raw UTF-16 (lone surrogates included): the link
// detector, the hashtag and mention patterns, entity marking and the styling
// of a post text.
#include "FuzzHarness.h"
#include "StyledTextChecks.h"

#include "text/EntityMarking.h"
#include "text/LinkDetector.h"
#include "text/PostTextStyling.h"

#include <algorithm>

namespace {

void checkRanges(const QList<EntityMarking::Range> &ranges, const QString &text, QChar sign)
{
    int previousEnd = 0;
    for (const EntityMarking::Range &range : ranges) {
        FUZZ_CHECK(range.start >= previousEnd && range.length > 1);
        FUZZ_CHECK(range.start + range.length <= text.size());
        FUZZ_CHECK(text.at(range.start) == sign);
        previousEnd = range.start + range.length;
    }
}

} // namespace

const QList<QByteArray> fuzz::warmUpInputs = {
    QByteArray("\0see www.example.com/a_(b), bob@example.org #tag @bob", 53),
};

void fuzz::fuzzOne(QByteArrayView input)
{
    const Dispatch part = dispatch(input, 2);
    const QString text = part.choice == 0
        ? QString::fromUtf8(part.rest)
        : QString(reinterpret_cast<const QChar *>(part.rest.data()), part.rest.size() / 2);

    int previousEnd = 0;
    for (const LinkMatch &link : LinkDetector::detect(text)) {
        FUZZ_CHECK(link.start >= previousEnd && link.length > 0);
        FUZZ_CHECK(link.start + link.length <= text.size());
        FUZZ_CHECK(!link.url(text).isEmpty());
        previousEnd = link.start + link.length;
    }
    checkRanges(EntityMarking::hashtagRanges(text), text, u'#');
    checkRanges(EntityMarking::mentionRanges(text), text, u'@');

    // What the program makes of a post's text: the styled text of its row,
    // marked from the whole text but only as far as the row shows it. The
    // program never marks a whole long text and cuts it into runs (a megabyte
    // of "#a" would hold a mark for every two characters), so neither does
    // this target.
    const StyledText post = PostTextStyling::styledPostText(text, 0);
    checkStyledText(post);
    const bool cut = text.size() > PostTextStyling::maximumShownLength;
    FUZZ_CHECK(cut ? post.length() <= PostTextStyling::maximumShownLength + 1
                   : post.text() == text || text.trimmed().isEmpty());

    // The marks of the row are those of the whole text that start in the part
    // shown, cut where it ends.
    if (text.size() <= 2 * PostTextStyling::maximumShownLength) {
        const int shown = cut ? post.length() - 1 : int(text.size());
        QList<StyledText::Span> expected;
        for (StyledText::Span span : EntityMarking::entitySpans(text)) {
            if (span.start >= shown)
                continue;
            span.length = std::min(span.end(), shown) - span.start;
            expected.append(span);
        }
        FUZZ_CHECK(post.spans() == expected);
    }
}
