#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

class ApiClient;
class SelectedPost;

// Finds the user behind a click: a mention in the selected post names the
// user, whose record is then asked for by id.
class UserLookup : public QObject {
    Q_OBJECT
public:
    UserLookup(const SelectedPost *selection, QObject *parent = nullptr);

    void setApi(const ApiClient *api) { m_api = api; }
    // While this answers true (a double click is being handled) clicks on
    // mentions are ignored.
    void setClickGuard(std::function<bool()> guard) { m_clickGuard = std::move(guard); }

    // The mention clicked, looked up among the selected post's mentions;
    // nothing is asked for when the post does not mention it.
    void loadMentionedUser(const QString &mention);
    void requestUserDictionaryFromID(const QString &userId);

Q_SIGNALS:
    void progressStarted();
    void progressStopped();
    // The user's record arrived.
    void userLoaded(const QVariantMap &user);

private:
    const SelectedPost *m_selection;
    const ApiClient *m_api = nullptr;
    std::function<bool()> m_clickGuard;
};
