#include "support/DataFiles.h"

#include "support/PropertyList.h"

#include <QDebug>
#include <QVariantMap>

namespace DataFiles {

std::optional<QStringList> loadAutocompletions(const QString &path)
{
    const auto file = PropertyList::readFile(path);
    switch (file.status) {
    case PropertyList::FileResult::Status::Missing:
        return QStringList { QStringLiteral("velto") };
    case PropertyList::FileResult::Status::Unreadable:
        return std::nullopt;
    case PropertyList::FileResult::Status::Ok:
        break;
    }
    if (file.value.typeId() != QMetaType::QVariantList) {
        qWarning().noquote() << path << "does not hold a list of words; leaving it as it is";
        return std::nullopt;
    }
    QStringList words;
    for (const QVariant &item : file.value.toList()) {
        if (item.typeId() == QMetaType::QString)
            words.append(item.toString());
    }
    return words;
}

bool saveAutocompletions(const QString &path, const QStringList &words)
{
    return PropertyList::writeFileAtomically(path,
        PropertyList::encode(
            QVariant(QVariantList(words.cbegin(), words.cend())), PropertyList::Format::Xml));
}

std::optional<QVariantList> loadSavedPosts(const QString &path)
{
    const auto file = PropertyList::readFile(path);
    switch (file.status) {
    case PropertyList::FileResult::Status::Missing:
        return QVariantList {};
    case PropertyList::FileResult::Status::Unreadable:
        return std::nullopt;
    case PropertyList::FileResult::Status::Ok:
        break;
    }
    const QVariantMap root = file.value.toMap();
    const QVariant posts = root.value(QStringLiteral("savedPosts"));
    if (file.value.typeId() != QMetaType::QVariantMap
        || posts.typeId() != QMetaType::QVariantList) {
        qWarning().noquote() << path << "does not hold saved posts; leaving it as it is";
        return std::nullopt;
    }
    return posts.toList();
}

bool saveSavedPosts(const QString &path, const QVariantList &posts)
{
    QVariantMap root;
    root.insert(QStringLiteral("savedPosts"), posts);
    return PropertyList::writeFileAtomically(
        path, PropertyList::encode(root, PropertyList::Format::Binary));
}

} // namespace DataFiles
