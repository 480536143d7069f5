// A page of posts as the service sends it: the JSON read as the API client
// reads it, then the page processor's records, their styled text and entities,
// and every field the list and the menus read from them.
#include "FuzzHarness.h"
#include "StyledTextChecks.h"

#include "service/PostPageProcessor.h"
#include "service/PostRecord.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>

const QList<QByteArray> fuzz::warmUpInputs = {
    R"([{"id":"1","text":"see example.com #tag @bob","user":{"id":"2","username":"bob"}}])",
};

void fuzz::fuzzOne(QByteArrayView input)
{
    const QJsonDocument page = QJsonDocument::fromJson(input.toByteArray());
    if (!page.isArray())
        return;

    PostPageProcessor processor(nullptr, nullptr);
    QList<PostRecord> records;
    bool finished = false;
    QEventLoop loop;
    QObject::connect(
        &processor, &PostPageProcessor::finished, &loop, [&](const QList<PostRecord> &page) {
            records = page;
            finished = true;
            loop.quit();
        });
    processor.process(page.array(), 0);
    if (!finished)
        loop.exec();
    FUZZ_CHECK(records.size() <= page.array().size());

    for (const PostRecord &record : std::as_const(records)) {
        FUZZ_CHECK(!record.id().isEmpty());
        checkStyledText(record.attributedString);
        const QString me = record.userId();
        const SelectedPostFacts facts = SelectedPostFacts::from(record, me);
        FUZZ_CHECK(facts.isMe == !me.isEmpty());
        PostTransformers::isMEtoBOOL(&record, me);
        PostTransformers::isMentiontoBOOL(&record, me);
        for (const QString &id : record.mentionIds())
            FUZZ_CHECK(id.isEmpty() || PostTransformers::isNOTMentiontoBOOL(&record, id));
        record.mentionIdForName(record.username());
        record.createdAt();
        record.name();
        record.sourceLink();
        record.youStarred();
    }
}
