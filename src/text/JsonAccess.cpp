#include "text/JsonAccess.h"

#include <QLocale>

#include <cmath>

namespace JsonAccess {

namespace {

QString numberText(double value)
{
    // Integers as integers (ids, counts); 2^63 is where qint64 ends.
    if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 9.2e18)
        return QString::number(qint64(value));
    // Larger integers keep their digits rather than an exponent, which
    // would not be an id in a request path; beyond
    // that the number is no id and the exponent is shorter.
    if (std::isfinite(value) && std::trunc(value) == value && std::fabs(value) < 1e21)
        return QString::number(value, 'f', 0);
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QJsonValue valueAtPath(const QJsonObject &object, QStringView keyPath)
{
    QJsonValue current(object);
    for (QStringView key : keyPath.split(u'.')) {
        if (!current.isObject())
            return QJsonValue(QJsonValue::Undefined);
        const QJsonObject level = current.toObject();
        const auto it = level.constFind(key);
        if (it == level.constEnd())
            return QJsonValue(QJsonValue::Undefined);
        current = it.value();
    }
    return current;
}

std::optional<QVariantMap> asMap(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        return value.toMap();
    case QMetaType::QVariantHash: {
        const QVariantHash hash = value.toHash();
        QVariantMap map;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        return map;
    }
    case QMetaType::QJsonObject:
        return value.toJsonObject().toVariantMap();
    case QMetaType::QJsonValue: {
        const QJsonValue json = value.toJsonValue();
        if (json.isObject())
            return json.toObject().toVariantMap();
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<QVariant> variantAtPath(const QVariantMap &map, QStringView keyPath)
{
    QVariant current(map);
    for (QStringView key : keyPath.split(u'.')) {
        const auto level = asMap(current);
        if (!level)
            return std::nullopt;
        const auto it = level->constFind(key.toString());
        if (it == level->constEnd())
            return std::nullopt;
        current = it.value();
    }
    return current;
}

} // namespace

std::optional<QString> stringFromValue(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QJsonValue::Double: {
        const QVariant variant = value.toVariant();
        if (variant.typeId() == QMetaType::LongLong)
            return QString::number(variant.toLongLong());
        return numberText(value.toDouble());
    }
    default:
        return std::nullopt;
    }
}

std::optional<QString> stringFromVariant(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::QJsonValue:
        return stringFromValue(value.toJsonValue());
    default:
        return std::nullopt;
    }
}

std::optional<QString> stringForKey(const QJsonObject &object, const QString &key)
{
    const auto it = object.constFind(key);
    if (it == object.constEnd())
        return std::nullopt;
    return stringFromValue(it.value());
}

std::optional<QString> stringForKeyPath(const QJsonObject &object, QStringView keyPath)
{
    return stringFromValue(valueAtPath(object, keyPath));
}

std::optional<QJsonArray> arrayForKeyPath(const QJsonObject &object, QStringView keyPath)
{
    const QJsonValue value = valueAtPath(object, keyPath);
    if (!value.isArray())
        return std::nullopt;
    return value.toArray();
}

std::optional<QString> stringForKey(const QVariantMap &map, const QString &key)
{
    const auto it = map.constFind(key);
    if (it == map.constEnd())
        return std::nullopt;
    return stringFromVariant(it.value());
}

std::optional<QString> stringForKeyPath(const QVariantMap &map, QStringView keyPath)
{
    const auto value = variantAtPath(map, keyPath);
    if (!value)
        return std::nullopt;
    return stringFromVariant(*value);
}

std::optional<QVariantList> arrayForKeyPath(const QVariantMap &map, QStringView keyPath)
{
    const auto value = variantAtPath(map, keyPath);
    if (!value)
        return std::nullopt;
    switch (value->typeId()) {
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return value->toList();
    case QMetaType::QJsonArray:
        return value->toJsonArray().toVariantList();
    case QMetaType::QJsonValue: {
        const QJsonValue json = value->toJsonValue();
        if (json.isArray())
            return json.toArray().toVariantList();
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

QString textForKeyPath(const QVariantMap &map, QStringView keyPath)
{
    return stringForKeyPath(map, keyPath).value_or(QString());
}

} // namespace JsonAccess
