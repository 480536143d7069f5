#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QUrl>

// Avatars as the list shows them: decoded from whatever bytes came back and
// fitted to 48 x 48 by cropping to fill, centred.
namespace AvatarImages {

inline constexpr QSize avatarSize{48, 48};

// Only web addresses are fetched: an empty, relative or local address gives
// an invalid URL, so a post cannot make the program read local files.
QUrl avatarUrl(const QString &text);

// Decodes and fits. A body that is not an image, or one too large to decode,
// gives a null image. Safe on any thread.
QImage fittedAvatar(const QByteArray &body);

} // namespace AvatarImages
