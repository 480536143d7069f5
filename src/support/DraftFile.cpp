#include "support/DraftFile.h"

#include <QDebug>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

std::optional<ComposerDraft> draftFrom(const QByteArray &bytes, QString *why)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (!document.isObject()) {
        *why = error.error != QJsonParseError::NoError ? error.errorString()
                                                       : QStringLiteral("not an object");
        return std::nullopt;
    }
    const QJsonObject root = document.object();
    const QJsonValue text = root.value(QStringLiteral("text"));
    const QJsonValue type = root.value(QStringLiteral("postType"));
    const QJsonValue replyTo = root.value(QStringLiteral("replyTo"));
    if (!text.isString()) {
        *why = QStringLiteral("no text");
        return std::nullopt;
    }
    ComposerDraft draft;
    draft.text = text.toString();
    if (!type.isUndefined()) {
        const double number = type.toDouble(-1);
        if (!type.isDouble() || number < 0 || number > 2 || number != qint64(number)) {
            *why = QStringLiteral("no post kind it knows");
            return std::nullopt;
        }
        draft.postType = quint64(number);
    }
    if (!replyTo.isUndefined() && !replyTo.isString()) {
        *why = QStringLiteral("a reply target that is not text");
        return std::nullopt;
    }
    draft.replyTo = replyTo.toString();
    return draft;
}

} // namespace

void DraftFile::open(const QString &path)
{
    m_path = path;
    m_draft.reset();
    QFile file(path);
    if (!file.exists()) {
        m_status = Status::Missing;
        return;
    }
    QString why;
    if (file.size() > largestFile)
        why = QStringLiteral("too large");
    else if (!file.open(QIODevice::ReadOnly))
        why = file.errorString();
    else if (auto draft = draftFrom(file.readAll(), &why))
        m_draft = std::move(draft);
    if (!m_draft) {
        m_status = Status::Unreadable;
        qWarning().noquote() << "The composer draft" << path << "cannot be read:" << why
                             << "- it is left as it is and no draft is kept in this run";
        return;
    }
    m_status = Status::Ok;
}

bool DraftFile::save(const ComposerDraft &draft)
{
    if (m_status == Status::Unreadable || m_path.isEmpty())
        return false;
    QJsonObject root;
    root.insert(QStringLiteral("text"), draft.text);
    root.insert(QStringLiteral("postType"), qint64(draft.postType));
    root.insert(QStringLiteral("replyTo"), draft.replyTo);
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << "Cannot write the composer draft" << m_path << file.errorString();
        return false;
    }
    // What the user writes is theirs alone.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(QJsonDocument(root).toJson(QJsonDocument::Compact));
    if (!file.commit()) {
        qWarning().noquote() << "Cannot write the composer draft" << m_path << file.errorString();
        return false;
    }
    m_status = Status::Ok;
    return true;
}

bool DraftFile::remove()
{
    if (m_status == Status::Unreadable || m_path.isEmpty())
        return false;
    if (QFile::exists(m_path) && !QFile::remove(m_path)) {
        qWarning().noquote() << "Cannot remove the composer draft" << m_path;
        return false;
    }
    m_status = Status::Missing;
    return true;
}
