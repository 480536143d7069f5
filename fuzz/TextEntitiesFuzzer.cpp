// Any text, as UTF-8 or as raw UTF-16 (lone surrogates included): the link
// detector, the hashtag and mention patterns, entity marking and the styling
// of a post text.
#include "FuzzHarness.h"
#include "StyledTextChecks.h"

#include "text/EntityMarking.h"
#include "text/LinkDetector.h"
#include "text/PostTextStyling.h"

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
        FUZZ_CHECK(!link.url.isEmpty());
        previousEnd = link.start + link.length;
    }
    checkRanges(EntityMarking::hashtagRanges(text), text, u'#');
    checkRanges(EntityMarking::mentionRanges(text), text, u'@');

    StyledText marked(text);
    EntityMarking::markEntities(marked);
    FUZZ_CHECK(marked.text() == text);
    checkStyledText(marked);

    const StyledText post = PostTextStyling::styledPostText(text, 0);
    checkStyledText(post);
    FUZZ_CHECK(post.length() <= PostTextStyling::maximumShownLength + 1 || post.text() == text);
}
