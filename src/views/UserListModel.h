#pragma once

#include <QAbstractListModel>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QSet>
#include <QVariantList>

// The followers or following of a user as a list model: each row shows the
// user's name and "@username" with the avatar, which is loaded when the row
// is first shown, so a list of thousands fills at once and scrolls smoothly.
class UserListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { UserIdRole = Qt::UserRole + 1, UsernameRole };
    static constexpr int avatarSize = 32;

    using QAbstractListModel::QAbstractListModel;

    void setUsers(const QVariantList &users);
    void clear() { setUsers({}); }
    const QVariantList &users() const { return m_users; }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;

private:
    void loadAvatar(const QString &url) const;
    void avatarArrived(const QString &url, const QImage &image);

    QVariantList m_users;
    // Pictures by address: many rows of a list can share one.
    QHash<QString, QPixmap> m_avatars;
    QHash<QString, QList<int>> m_rowsOfAvatar;
    mutable QSet<QString> m_requested;
};
