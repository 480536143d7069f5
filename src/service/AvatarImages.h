#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <optional>

// Avatars as the list shows them: decoded from whatever bytes came back and
// fitted to 48 x 48 by cropping to fill, centred.
namespace AvatarImages {

inline constexpr QSize avatarSize { 48, 48 };

// Only web addresses are fetched: an empty, relative or local address gives
// an invalid URL, so a post cannot make the program read local files.
QUrl avatarUrl(const QString &text);

// Decodes and fits. A body that is not an image, or one too large to decode,
// gives a null image. Safe on any thread.
QImage fittedAvatar(const QByteArray &body);

// The fitted avatar travels with the cached response, in its user info, so a
// page built from the cache does not decode every picture again (decoding a
// few hundred pixels square takes milliseconds; reading 9 KB of pixels does not).
QVariantMap userInfoForFittedAvatar(const QImage &fitted);
// The fitted avatar kept in `userInfo`, or a null image when there is none
// or it does not have the avatar's size.
QImage fittedAvatarFromUserInfo(const std::optional<QVariantMap> &userInfo);

} // namespace AvatarImages
