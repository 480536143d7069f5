#pragma once

#include "text/StyledText.h"

#include <QList>
#include <QUrl>

// Which links of a post the list shows as pictures. The program's own image
// host is trusted with the reader's address: every picture it holds ("/img/")
// is shown. Any other web host only sees a request when the reader allows
// pictures from other sites, and then only for addresses that end in a
// picture extension (.jpg, .jpeg, .png, .gif, .webp), so an ordinary web page
// is never fetched as a picture.
namespace PostPictures {

inline constexpr int maxPictures = 4;

bool isOwnImageHostPicture(const QUrl &url, const QUrl &imageHost);
bool hasPictureExtension(const QUrl &url);

// The first `maxPictures` picture links of `text`, in the order they are
// written, each once.
QList<QUrl> pictureLinks(const StyledText &text, const QUrl &imageHost, bool otherSites);

// The same with the program's image host and the reader's preference.
QList<QUrl> pictureLinks(const StyledText &text);
bool otherSitesAllowed();

} // namespace PostPictures
