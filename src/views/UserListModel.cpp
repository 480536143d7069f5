#include "views/UserListModel.h"

#include "text/JsonAccess.h"
#include "views/URLImageView.h"

#include <QPainter>
#include <QPixmap>
#include <QPointer>

namespace {

// Every row's picture takes the same square, so the names line up.
QImage squareIcon(const QImage &image)
{
    QImage icon(
        UserListModel::avatarSize, UserListModel::avatarSize, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    const QImage scaled = image.scaled(UserListModel::avatarSize, UserListModel::avatarSize,
        Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&icon);
    painter.drawImage(
        (icon.width() - scaled.width()) / 2, (icon.height() - scaled.height()) / 2, scaled);
    return icon;
}

} // namespace

void UserListModel::setUsers(const QVariantList &users)
{
    beginResetModel();
    m_users = users;
    m_rowsOfAvatar.clear();
    for (int row = 0; row < m_users.size(); ++row)
        m_rowsOfAvatar[JsonAccess::textForKeyPath(m_users.at(row).toMap(), u"avatar_image.url")]
            .append(row);
    endResetModel();
}

int UserListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_users.size());
}

QVariant UserListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_users.size())
        return {};
    const QVariantMap user = m_users.at(index.row()).toMap();
    const QString username = JsonAccess::textForKeyPath(user, u"username");
    const QString name = JsonAccess::textForKeyPath(user, u"name");
    switch (role) {
    case Qt::DisplayRole:
        return name.isEmpty() ? QString(u'@' + username) : QString(name + u"\n@" + username);
    case Qt::AccessibleTextRole:
        return name.isEmpty() ? QString(u'@' + username) : QString(name + u", @" + username);
    case Qt::ToolTipRole:
    case UserIdRole:
        return JsonAccess::textForKeyPath(user, u"id");
    case UsernameRole:
        return username;
    case Qt::DecorationRole: {
        const QString url = JsonAccess::textForKeyPath(user, u"avatar_image.url");
        if (url.isEmpty())
            return {};
        const auto found = m_avatars.constFind(url);
        if (found != m_avatars.constEnd())
            return found->isNull() ? QVariant() : QVariant(*found);
        loadAvatar(url);
        return {};
    }
    default:
        return {};
    }
}

void UserListModel::loadAvatar(const QString &url) const
{
    // Asked for when a row is shown; each picture once.
    if (m_requested.contains(url))
        return;
    m_requested.insert(url);
    auto *self = const_cast<UserListModel *>(this);
    auto *loader = new URLImageLoader(self);
    QObject::connect(
        loader, &URLImageLoader::imageLoaded, self, [self, loader, url](const QImage &image) {
            self->avatarArrived(url, squareIcon(image));
            loader->deleteLater();
        });
    QObject::connect(loader, &URLImageLoader::loadFailed, self, [self, loader, url] {
        self->avatarArrived(url, QImage());
        loader->deleteLater();
    });
    loader->loadRequest(URLImageLoader::imageRequest(QUrl(url)));
}

void UserListModel::avatarArrived(const QString &url, const QImage &image)
{
    m_avatars.insert(url, image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    for (int row : m_rowsOfAvatar.value(url)) {
        const QModelIndex changed = index(row);
        Q_EMIT dataChanged(changed, changed, { Qt::DecorationRole });
    }
}
