#pragma once

#include "service/ApiClient.h"
#include "support/CompletionWords.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

// The signed-in user: the bearer token every API request carries, the
// user's own record and id, and the names the user follows, which become the
// completion words of the composer.
class Account : public QObject {
    Q_OBJECT
public:
    explicit Account(QObject *parent = nullptr);

    // The client every part of the program sends its API requests through;
    // it carries the token set here.
    const ApiClient &api() const { return m_api; }
    // Where the API lives (tests point it elsewhere).
    void setApiBase(const QString &base) { m_api.setApiBase(base); }

    // The token the start-up found (see StoredToken).
    void setAccessToken(const QString &token) { m_api.setAccessToken(token); }
    const QString &accessToken() const { return m_api.accessToken(); }

    // Asks for the signed-in user's record; when it arrives its id is kept
    // (also as the preference "meID") and the user's following is asked for.
    void getCurrentUsern();
    // Adds the user names of everyone the signed-in user follows to the
    // completion words.
    void loadCurrentUserFollowing();

    // The maker's account on the service.
    static QString makerAccountId() { return QStringLiteral("2"); }
    // Follows the maker's account and says how that went.
    void followVELTO();
    // On the first signed-in start only: asks whether to follow the maker's
    // account, and does so when the user says yes.
    void askToFollowVelto();

    const QString &meID() const { return m_meID; }
    const QString &meUsername() const { return m_meUsername; }
    const QVariantMap &meDictionary() const { return m_me; }

    CompletionWords &completionWords() { return m_words; }
    const CompletionWords &completionWords() const { return m_words; }

Q_SIGNALS:
    void currentUserLoaded();
    void followingLoaded();

private:
    ApiClient m_api;
    QString m_meID;
    QString m_meUsername;
    QVariantMap m_me;
    CompletionWords m_words;
};
