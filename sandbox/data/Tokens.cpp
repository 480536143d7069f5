#include "data/Tokens.h"

#include "data/Seed.h"

#include <QRandomGenerator>

namespace sandbox {

void TokenTable::clear()
{
    m_tokens.clear();
}

QString TokenTable::issue(Id user)
{
    QString token;
    do {
        QByteArray bytes(20, Qt::Uninitialized);
        QRandomGenerator::system()->fillRange(
            reinterpret_cast<quint32 *>(bytes.data()), bytes.size() / 4);
        token = QString::fromLatin1(bytes.toHex());
    } while (m_tokens.contains(token));
    m_tokens.insert(token, user);
    return token;
}

std::optional<Id> TokenTable::userForToken(const QString &token) const
{
    if (token == QLatin1String(kDemoToken))
        return kDemoUserId;
    const auto it = m_tokens.constFind(token);
    if (it == m_tokens.cend())
        return std::nullopt;
    return *it;
}

std::optional<Id> TokenTable::userForAuthorization(const QByteArray &header) const
{
    const QByteArray trimmed = header.trimmed();
    const qsizetype space = trimmed.indexOf(' ');
    if (space < 0 || trimmed.left(space).toLower() != "bearer")
        return std::nullopt;
    const QByteArray token = trimmed.mid(space + 1).trimmed();
    if (token.isEmpty())
        return std::nullopt;
    return userForToken(QString::fromUtf8(token));
}

QJsonObject TokenTable::toJson() const
{
    QJsonObject out;
    for (auto it = m_tokens.cbegin(); it != m_tokens.cend(); ++it)
        out.insert(it.key(), QString::number(it.value()));
    return out;
}

void TokenTable::fromJson(const QJsonObject &tokens)
{
    m_tokens.clear();
    for (auto it = tokens.begin(); it != tokens.end(); ++it) {
        const Id id = it.value().toString().toLongLong();
        if (id > 0)
            m_tokens.insert(it.key(), id);
    }
}

} // namespace sandbox
