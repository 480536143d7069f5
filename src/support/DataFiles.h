#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

// The two files of the application-support folder. A missing file gives the
// default list; a file that exists but cannot be read or decoded gives no
// list at all (nullopt), so nothing is written back over it at quit.
namespace DataFiles {

inline const QString autocompletionsFileName = QStringLiteral("Autocompletions.plist");
inline const QString savedPostsFileName = QStringLiteral("Saved.mdb");
// The composer's draft (DraftFile).
inline const QString draftFileName = QStringLiteral("Draft.json");

// "Autocompletions.plist": an XML property list, an array of strings.
// Missing: the one word "velto".
std::optional<QStringList> loadAutocompletions(const QString &path);
bool saveAutocompletions(const QString &path, const QStringList &words);

// "Saved.mdb": a binary property list whose root dictionary holds the array
// "savedPosts". Missing: an empty list.
std::optional<QVariantList> loadSavedPosts(const QString &path);
bool saveSavedPosts(const QString &path, const QVariantList &posts);

} // namespace DataFiles
