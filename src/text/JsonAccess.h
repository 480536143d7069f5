#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <optional>

// Typed reads from the service's JSON, for records kept as QJsonObject or as
// QVariantMap (a QJsonObject's toVariantMap(), nested maps included). A key
// path is dot-separated ("user.avatar_image.url") and resolved one key at a
// time; a missing key, or something other than an object where another key
// follows, gives none.
namespace JsonAccess {

// A string as it is; a number as its decimal text (booleans "1" or "0");
// none for anything else: a missing key, JSON null, an object, an array.
std::optional<QString> stringFromValue(const QJsonValue &value);
std::optional<QString> stringFromVariant(const QVariant &value);

std::optional<QString> stringForKey(const QJsonObject &object, const QString &key);
std::optional<QString> stringForKeyPath(const QJsonObject &object, QStringView keyPath);
std::optional<QJsonArray> arrayForKeyPath(const QJsonObject &object, QStringView keyPath);

std::optional<QString> stringForKey(const QVariantMap &map, const QString &key);
std::optional<QString> stringForKeyPath(const QVariantMap &map, QStringView keyPath);
// The same, empty when there is none: for what is only shown or compared.
QString textForKeyPath(const QVariantMap &map, QStringView keyPath);
// QVariantList, QJsonArray and QStringList values all answer as a QVariantList.
std::optional<QVariantList> arrayForKeyPath(const QVariantMap &map, QStringView keyPath);

} // namespace JsonAccess
