#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>

class Account;
class MainWindow;
class SelectedPost;
class StreamLoader;
class UserLookup;
class UserPanel;

// Users other than oneself: the user panel over the main window with the
// user's followers and following, following and unfollowing, muting the
// author of a post, and the search for a user or a hashtag.
class UserPanelController : public QObject {
    Q_OBJECT
public:
    UserPanelController(MainWindow *window, const SelectedPost *selection, Account *account,
        StreamLoader *streams, UserLookup *users, QObject *parent = nullptr);

    // The author of the selected post.
    void showUserInfoPanel();
    // A user whose record has come (a mention, a search, a list row).
    void showUserInfoPanelForDictionary(const QVariantMap &user);
    // The user of a row of the panel's lists, by id.
    void loadModalUserInfo(const QString &userId);
    void unFollowAction(int tag);
    // Asks, then mutes the author of the selected post.
    void muteUser();
    void loadUserPosts();
    void closeSheet();

    static constexpr int searchHashtag = 0;
    static constexpr int searchUser = 1;
    void openSearchWindow();
    void openUserSearchWindow();
    // The search as the sheet runs it: a hashtag's posts, or a user's panel.
    // The name goes as typed, less one leading "#" (tag) or "@" (user).
    void performSearch(int scope, const QString &text);

    UserPanel *panel() const;
    bool isPanelVisible() const;

private:
    UserPanel *ensurePanel();
    void loadFollowers(const QString &userId);
    void loadFollowing(const QString &userId);
    void openSearch(const QString &title, int scope);

    MainWindow *m_window;
    const SelectedPost *m_selection;
    Account *m_account;
    StreamLoader *m_streams;
    // The back label last seen, to tell a hashtag newly shown from one refreshed.
    QString m_shownLabel;
    UserLookup *m_users;
    QPointer<UserPanel> m_panel;
    // Answers for a user the panel no longer shows are dropped.
    quint64 m_generation = 0;
};
