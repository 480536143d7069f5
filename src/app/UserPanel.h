#pragma once

#include <QDialog>
#include <QVariantMap>

class AvatarImageView;
class QLabel;
class QListView;
class QPushButton;
class QTabWidget;
class UserListModel;

// The sheet over the main window that shows one user: picture, names,
// description, counts, who follows whom, the Follow/Unfollow button, the
// user's posts, and the lists of followers and following, whose rows switch
// the sheet to that user. Escape or Close closes it.
class UserPanel : public QDialog {
    Q_OBJECT
public:
    explicit UserPanel(QWidget *mainWindow);

    // Shows `user`; `meID` decides the line about oneself.
    void showUser(const QVariantMap &user, const QString &meID);
    const QVariantMap &user() const { return m_user; }

    UserListModel *followers() const { return m_followers; }
    UserListModel *following() const { return m_following; }
    QListView *followersView() const { return m_followersView; }
    QListView *followingView() const { return m_followingView; }

    QString followLine() const;
    QPushButton *followButton() const { return m_follow; }
    // 1 when the signed-in user follows the shown one, else 0.
    int followButtonTag() const;
    // After a follow or unfollow the service made: the button shows it.
    void setYouFollow(bool follow);

Q_SIGNALS:
    void followClicked(int tag);
    void postsClicked();
    void userChosen(const QString &userId);

protected:
    void changeEvent(QEvent *event) override;

private:
    void colourFollowButton();

    QListView *makeList(UserListModel *model);

    QVariantMap m_user;
    AvatarImageView *m_avatar = nullptr;
    QLabel *m_name = nullptr;
    QLabel *m_username = nullptr;
    QLabel *m_description = nullptr;
    QLabel *m_counts = nullptr;
    QLabel *m_followLine = nullptr;
    QPushButton *m_follow = nullptr;
    QTabWidget *m_tabs = nullptr;
    UserListModel *m_followers = nullptr;
    UserListModel *m_following = nullptr;
    QListView *m_followersView = nullptr;
    QListView *m_followingView = nullptr;
};
