#pragma once

// Post records for the timeline tests, made the way stream processing makes
// them: the service's JSON, the styled text, a 48 x 48 avatar.
#include "service/PostRecord.h"
#include "service/PostsArrayController.h"
#include "text/PostTextStyling.h"

#include <QAbstractItemModelTester>
#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>

namespace timelinetest {

// The list's records with both models checked by QAbstractItemModelTester
// for as long as they live.
class CheckedPostsController : public PostsArrayController {
public:
    CheckedPostsController()
        : m_modelTester(model(), QAbstractItemModelTester::FailureReportingMode::Fatal)
        , m_arrangedTester(arranged(), QAbstractItemModelTester::FailureReportingMode::Fatal)
    {
    }

private:
    QAbstractItemModelTester m_modelTester;
    QAbstractItemModelTester m_arrangedTester;
};

inline QImage solidAvatar(const QColor &colour)
{
    QImage image(48, 48, QImage::Format_ARGB32_Premultiplied);
    image.fill(colour);
    return image;
}

struct PostSpec {
    QString id {};
    QString text {};
    QString userId = QStringLiteral("200");
    QString username = QStringLiteral("marta");
    QString name = QStringLiteral("Marta Lind");
    QStringList mentionIds {};
    // Minutes before a fixed moment; the list shows newest first.
    int minutesAgo = 0;
    QImage avatar = solidAvatar(QColor(40, 120, 200));
};

inline QString createdAt(int minutesAgo)
{
    return QDateTime(QDate(2013, 5, 1), QTime(12, 0), Qt::UTC)
        .addSecs(-60 * qint64(minutesAgo))
        .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'"));
}

inline PostRecord post(const PostSpec &spec)
{
    QJsonArray mentions;
    for (const QString &id : spec.mentionIds)
        mentions.append(QJsonObject {
            { QStringLiteral("id"), id }, { QStringLiteral("name"), QStringLiteral("x") } });
    const QJsonObject user { { QStringLiteral("id"), spec.userId },
        { QStringLiteral("username"), spec.username }, { QStringLiteral("name"), spec.name } };
    PostRecord record = PostRecord::fromJson(QJsonObject { { QStringLiteral("id"), spec.id },
        { QStringLiteral("created_at"), createdAt(spec.minutesAgo) },
        { QStringLiteral("text"), spec.text }, { QStringLiteral("user"), user },
        { QStringLiteral("entities"), QJsonObject { { QStringLiteral("mentions"), mentions } } } });
    record.attributedString = PostTextStyling::styledText(spec.text, 0);
    record.theAvatarImage = spec.avatar;
    return record;
}

// `count` posts, row i (newest first) has id "p<i>" and `text(i)`.
template <typename TextOf> QList<PostRecord> posts(int count, TextOf text)
{
    QList<PostRecord> records;
    for (int i = 0; i < count; ++i) {
        PostSpec spec;
        spec.id = QStringLiteral("p%1").arg(i);
        spec.text = text(i);
        spec.minutesAgo = i;
        spec.userId = QString::number(300 + i % 5);
        spec.username = QStringLiteral("user%1").arg(i % 5);
        records.append(post(spec));
    }
    return records;
}

inline QList<PostRecord> posts(int count)
{
    return posts(count, [](int i) {
        return QStringLiteral("Post number %1 says hello to #velto and @amy").arg(i);
    });
}

} // namespace timelinetest
