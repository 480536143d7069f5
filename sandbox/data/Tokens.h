#pragma once

#include "data/Model.h"

#include <QHash>
#include <QJsonObject>

#include <optional>

namespace sandbox {

// Bearer tokens and the users they sign in. "demo-token" always signs in the
// demo user; the sign-in page and the control endpoint issue others.
class TokenTable {
public:
    static constexpr char kDemoToken[] = "demo-token";

    void clear(); // forgets issued tokens
    QString issue(Id user);
    std::optional<Id> userForToken(const QString &token) const;
    // Reads an "Authorization" header: "Bearer <token>", the scheme in any case.
    std::optional<Id> userForAuthorization(const QByteArray &header) const;

    QJsonObject toJson() const;
    void fromJson(const QJsonObject &tokens);

private:
    QHash<QString, Id> m_tokens;
};

} // namespace sandbox
