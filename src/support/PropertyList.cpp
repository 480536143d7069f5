#include "support/PropertyList.h"

#include "support/BinaryPlistShape.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimeZone>

#include <plist/plist.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
constexpr qint64 kPlistEpochOffset = 978307200;

struct PlistDeleter {
    void operator()(void *node) const { plist_free(static_cast<plist_t>(node)); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

plist_t toNode(const QVariant &value);

plist_t dictNode(const QVariantMap &map)
{
    plist_t dict = plist_new_dict();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (plist_t child = toNode(it.value()))
            plist_dict_set_item(dict, it.key().toUtf8().constData(), child);
    }
    return dict;
}

plist_t arrayNode(const QVariantList &list)
{
    plist_t array = plist_new_array();
    for (const QVariant &item : list) {
        if (plist_t child = toNode(item))
            plist_array_append_item(array, child);
    }
    return array;
}

plist_t toNode(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QVariantMap:
        return dictNode(value.toMap());
    case QMetaType::QVariantHash: {
        QVariantMap map;
        const QVariantHash hash = value.toHash();
        for (auto it = hash.cbegin(); it != hash.cend(); ++it)
            map.insert(it.key(), it.value());
        return dictNode(map);
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return arrayNode(value.toList());
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        // Negative numbers travel as their two's complement, which is how the
        // binary format stores signed integers.
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
        return plist_new_uint(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return plist_new_data(bytes.constData(), static_cast<uint64_t>(bytes.size()));
    }
    case QMetaType::QDateTime: {
        const qint64 ms = value.toDateTime().toMSecsSinceEpoch() - kPlistEpochOffset * 1000;
        if (ms < 0) {
            // libplist reads the fraction of a date before 2001 with the wrong
            // sign, so such dates are kept to the whole second.
            return plist_new_date(static_cast<int32_t>(-((-ms + 500) / 1000)), 0);
        }
        return plist_new_date(
            static_cast<int32_t>(ms / 1000), static_cast<int32_t>((ms % 1000) * 1000));
    }
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    default:
        if (value.canConvert<QString>() && !value.isNull())
            return plist_new_string(value.toString().toUtf8().constData());
        return nullptr;
    }
}

// `refused` is set, and the rest left out, past the depth a binary list may
// have (a hostile list read as XML could otherwise nest deep enough to end the
// program) and at a string holding a zero character, which no list the
// program writes holds and none it writes could carry back.
QVariant fromNode(plist_t node, int depth, bool *refused)
{
    if (depth > BinaryPlistShape::maximumDepth) {
        *refused = true;
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char *key = nullptr;
            plist_t child = nullptr;
            plist_dict_next_item(node, it, &key, &child);
            if (!child) {
                free(key);
                break;
            }
            map.insert(QString::fromUtf8(key), fromNode(child, depth + 1, refused));
            free(key);
        }
        free(it);
        return map;
    }
    case PLIST_ARRAY: {
        QVariantList list;
        const uint32_t size = plist_array_get_size(node);
        list.reserve(static_cast<qsizetype>(size));
        for (uint32_t i = 0; i < size; ++i)
            list.append(fromNode(plist_array_get_item(node, i), depth + 1, refused));
        return list;
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char *text = plist_get_string_ptr(node, &length);
        if (text && std::memchr(text, 0, length))
            *refused = true;
        return QString::fromUtf8(text, static_cast<qsizetype>(length));
    }
    case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return bool(b);
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        if (v > static_cast<uint64_t>(std::numeric_limits<qint64>::max()))
            return static_cast<qint64>(v); // a negative number written by us
        return static_cast<qint64>(v);
    }
    case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return d;
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char *bytes = plist_get_data_ptr(node, &length);
        return QByteArray(bytes, static_cast<qsizetype>(length));
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        // The library cuts the fraction of a second off rather than rounding
        // it: 7 ms may come as 6999 microseconds.
        const qint64 ms
            = (static_cast<qint64>(sec) + kPlistEpochOffset) * 1000 + (usec + 500) / 1000;
        return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    }
    case PLIST_UID: {
        uint64_t v = 0;
        plist_get_uid_val(node, &v);
        return static_cast<qint64>(v);
    }
    default:
        return {};
    }
}

bool looksLikeXml(const QByteArray &data)
{
    const QByteArray head = data.left(256).trimmed();
    return head.startsWith("<?xml") || head.startsWith("<plist") || head.startsWith("<!DOCTYPE");
}

// Whether the arrays and dictionaries of an XML list nest deeper than a
// binary list may, counted on the text before the parser builds its tree:
// the parser frees a tree by recursion, and one nested a few hundred
// thousand deep ends the program on the way.
bool xmlNestsTooDeep(const QByteArray &data)
{
    const std::string_view text(data.constData(), size_t(data.size()));
    int depth = 0;
    for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at)) {
        ++at;
        // Comments, character data and declarations hold no elements: tags
        // written inside them must not count.
        const std::string_view rest = text.substr(at);
        const std::string_view ending = rest.starts_with("!--") ? "-->"
            : rest.starts_with("![CDATA[")                      ? "]]>"
            : rest.starts_with("?")                             ? "?>"
            : rest.starts_with("!")                             ? ">"
                                                                : "";
        if (!ending.empty()) {
            at = text.find(ending, at);
            if (at == std::string_view::npos)
                break;
            at += ending.size();
            continue;
        }
        const bool closing = text.substr(at, 1) == "/";
        const std::string_view name = text.substr(at + closing);
        const size_t nameLength
            = name.starts_with("array") ? 5 : (name.starts_with("dict") ? 4 : 0);
        const size_t end = text.find('>', at);
        if (end == std::string_view::npos)
            break;
        const char after = name.size() > nameLength ? name[nameLength] : '>';
        const bool container = nameLength > 0
            && (after == '>' || after == '/' || after == ' ' || after == '\t' || after == '\n'
                || after == '\r');
        // A stray closing tag never buys depth for the openings after it.
        if (container && closing)
            depth = std::max(0, depth - 1);
        else if (container && text[end - 1] != '/' && ++depth > BinaryPlistShape::maximumDepth)
            return true;
        at = end + 1;
    }
    return false;
}

} // namespace

namespace PropertyList {

QByteArray encode(const QVariant &value, Format format)
{
    PlistPtr root(toNode(value));
    if (!root)
        return {};
    char *out = nullptr;
    uint32_t length = 0;
    if (format == Format::Binary) {
        plist_to_bin(static_cast<plist_t>(root.get()), &out, &length);
        QByteArray result(out, static_cast<qsizetype>(length));
        plist_to_bin_free(out);
        return result;
    }
    plist_to_xml(static_cast<plist_t>(root.get()), &out, &length);
    QByteArray result(out, static_cast<qsizetype>(length));
    plist_to_xml_free(out);
    return result;
}

std::optional<QVariant> decode(const QByteArray &data)
{
    if (data.size() < 8 || data.size() > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    plist_t node = nullptr;
    const auto length = static_cast<uint32_t>(data.size());
    if (plist_is_binary(data.constData(), length)) {
        if (!BinaryPlistShape::isReasonable(data))
            return std::nullopt;
        plist_from_bin(data.constData(), length, &node);
    } else if (looksLikeXml(data)) {
        if (xmlNestsTooDeep(data))
            return std::nullopt;
        plist_from_xml(data.constData(), length, &node);
    }
    if (!node)
        return std::nullopt;
    PlistPtr owner(node);
    bool refused = false;
    QVariant value = fromNode(node, 1, &refused);
    if (refused)
        return std::nullopt;
    return value;
}

FileResult readFile(const QString &path)
{
    FileResult result;
    if (!QFileInfo::exists(path)) {
        result.status = FileResult::Status::Missing;
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "Cannot read" << path << ":" << file.errorString();
        result.status = FileResult::Status::Unreadable;
        return result;
    }
    auto decoded = decode(file.readAll());
    if (!decoded) {
        qWarning().noquote() << "Cannot decode property list" << path;
        result.status = FileResult::Status::Unreadable;
        return result;
    }
    result.status = FileResult::Status::Ok;
    result.value = *decoded;
    return result;
}

bool writeFileAtomically(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        qWarning().noquote() << "Cannot write" << path << ":" << file.errorString();
        return false;
    }
    // The data files hold the user's own posts and names.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    file.write(data);
    if (!file.commit()) {
        qWarning().noquote() << "Cannot write" << path << ":" << file.errorString();
        return false;
    }
    return true;
}

} // namespace PropertyList
