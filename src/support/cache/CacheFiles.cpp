#include "support/cache/CacheFiles.h"

#include <QFile>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace CacheFiles {

bool replaceFile(const QString &path, const QByteArray &bytes, QString *error)
{
    QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    if (::rename(
            QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData())
        != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false; // the temporary file removes itself
    }
    file.setAutoRemove(false);
    return true;
}

// A stored name ("V2_" and 32 lower-case hex digits, or "cacheInfo.plist")
// with the six letters or digits a temporary file adds after a dot. Read by
// hand: a regular expression here would load its engine at every start.
bool isLeftOverTemporaryFile(const QString &fileName)
{
    const auto all = [](QStringView text, auto test) {
        return std::all_of(text.begin(), text.end(), [&](QChar c) { return test(c.unicode()); });
    };
    const auto isHex
        = [](char16_t c) { return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'); };
    const auto isAlnum = [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    };
    const QStringView name(fileName);
    if (name.size() < 7 || name[name.size() - 7] != u'.' || !all(name.last(6), isAlnum))
        return false;
    const QStringView stored = name.first(name.size() - 7);
    return stored == u"cacheInfo.plist"
        || (stored.size() == 35 && stored.startsWith(u"V2_") && all(stored.mid(3), isHex));
}

} // namespace CacheFiles
