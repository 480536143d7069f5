// The property lists the program reads from disk or from the maker's site,
// chosen by the first byte: 0 "Saved.mdb" (the saved posts, read back into
// records), 1 "Autocompletions.plist", 2 the update description.
#include "FuzzHarness.h"
#include "StyledTextChecks.h"

#include "service/SavedPostList.h"
#include "service/UpdateChecker.h"
#include "support/CompletionWords.h"
#include "support/PropertyList.h"

const QList<QByteArray> fuzz::warmUpInputs = {
    PropertyList::encode(
        QVariantMap { { QStringLiteral("savedPosts"),
            QVariantList { QVariantMap { { QStringLiteral("id"), QStringLiteral("1") },
                { QStringLiteral("text"), QStringLiteral("a #tag") } } } } },
        PropertyList::Format::Binary)
        .prepend('\0'),
    PropertyList::encode(QStringList { QStringLiteral("bob") }, PropertyList::Format::Xml)
        .prepend('\1'),
};

void fuzz::fuzzOne(QByteArrayView input)
{
    const Dispatch part = dispatch(input, 3);
    switch (part.choice) {
    case 0: {
        SavedPostList saved;
        saved.load(writeScratchFile("Saved.mdb", part.rest), 0);
        FUZZ_CHECK(saved.isAvailable() || saved.count() == 0);
        for (const PostRecord &record : saved.records()) {
            FUZZ_CHECK(!record.id().isEmpty());
            checkStyledText(record.attributedString);
            FUZZ_CHECK(saved.contains(record));
        }
        break;
    }
    case 1: {
        CompletionWords words;
        words.load(writeScratchFile("Autocompletions.plist", part.rest));
        const qsizetype before = words.words().size();
        words.addNames({ QStringLiteral("bob"), QStringLiteral("Émile") });
        FUZZ_CHECK(!words.isAvailable() || words.words().size() >= before);
        break;
    }
    case 2:
        if (const auto plist = PropertyList::decode(part.rest.toByteArray())) {
            if (const auto latest = UpdateChecker::descriptionFrom(*plist))
                FUZZ_CHECK(!latest->version.isEmpty());
        }
        break;
    }
}
