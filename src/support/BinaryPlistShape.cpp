#include "support/BinaryPlistShape.h"

#include <QList>

#include <algorithm>
#include <optional>

namespace {

constexpr qsizetype trailerSize = 32;
constexpr qsizetype headerSize = 8;

// Big-endian unsigned integer of `size` bytes at `at`; none outside the data.
std::optional<quint64> readNumber(QByteArrayView data, qsizetype at, qsizetype size)
{
    if (at < 0 || size < 1 || size > 8 || at + size > data.size())
        return std::nullopt;
    quint64 value = 0;
    for (qsizetype i = 0; i < size; ++i)
        value = (value << 8) | quint8(data[at + i]);
    return value;
}

struct Layout {
    QByteArrayView data;
    qsizetype offsetSize = 0;
    qsizetype referenceSize = 0;
    quint64 objectCount = 0;
    quint64 offsetTable = 0;

    std::optional<qsizetype> offsetOf(quint64 object) const
    {
        const auto offset
            = readNumber(data, qsizetype(offsetTable + object * offsetSize), offsetSize);
        if (!offset || *offset < quint64(headerSize) || *offset >= quint64(data.size()))
            return std::nullopt;
        return qsizetype(*offset);
    }

    // The count after a marker: its low four bits, or, when they are all
    // set, the integer object that follows (0x1n, then 2^n bytes). Sets `at`
    // to the first byte after it.
    std::optional<quint64> countAt(qsizetype *at) const
    {
        const quint8 marker = quint8(data[*at]);
        *at += 1;
        if ((marker & 0x0F) != 0x0F)
            return marker & 0x0F;
        const auto intMarker = readNumber(data, *at, 1);
        if (!intMarker || (*intMarker >> 4) != 0x1 || (*intMarker & 0x0F) > 3)
            return std::nullopt;
        const qsizetype width = qsizetype(1) << (*intMarker & 0x0F);
        const auto value = readNumber(data, *at + 1, width);
        *at += 1 + width;
        return value;
    }

    // The objects an array, set or dictionary refers to; none for the others.
    // `badKey` is set when a dictionary's key is not a string or holds a
    // zero character.
    QList<quint64> children(quint64 object, bool *badKey) const
    {
        QList<quint64> found;
        const auto at = offsetOf(object);
        if (!at)
            return found;
        const int kind = quint8(data[*at]) >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD)
            return found;
        qsizetype next = *at;
        auto count = countAt(&next);
        if (!count)
            return found;
        if (kind == 0xD)
            *count *= 2;
        if (*count > quint64(data.size() - next) / quint64(referenceSize))
            return found;
        found.reserve(qsizetype(*count));
        for (quint64 i = 0; i < *count; ++i) {
            const auto child = readNumber(data, next + qsizetype(i) * referenceSize, referenceSize);
            if (!child || *child >= objectCount)
                continue;
            // The first half of a dictionary's references are its keys.
            if (kind == 0xD && i < *count / 2 && !isKey(*child))
                *badKey = true;
            found.append(*child);
        }
        return found;
    }

    // A string without zero characters: ASCII (0x5), UTF-16 (0x6) or UTF-8 (0x7).
    bool isKey(quint64 object) const
    {
        const auto at = offsetOf(object);
        if (!at)
            return false;
        const int kind = quint8(data[*at]) >> 4;
        if (kind != 0x5 && kind != 0x6 && kind != 0x7)
            return false;
        qsizetype next = *at;
        const auto count = countAt(&next);
        const qsizetype unit = kind == 0x6 ? 2 : 1;
        if (!count || *count > quint64(data.size() - next) / quint64(unit))
            return true; // cut short: the library refuses it
        const QByteArrayView text = data.sliced(next, qsizetype(*count) * unit);
        if (unit == 1)
            return !text.contains('\0');
        for (qsizetype i = 0; i < text.size(); i += 2) {
            if (text[i] == '\0' && text[i + 1] == '\0')
                return false;
        }
        return true;
    }
};

} // namespace

namespace BinaryPlistShape {

bool isReasonable(QByteArrayView data)
{
    if (data.size() < headerSize + trailerSize || !data.startsWith("bplist"))
        return true;
    const qsizetype trailer = data.size() - trailerSize;
    Layout layout;
    layout.data = data;
    layout.offsetSize = qsizetype(*readNumber(data, trailer + 6, 1));
    layout.referenceSize = qsizetype(*readNumber(data, trailer + 7, 1));
    layout.objectCount = *readNumber(data, trailer + 8, 8);
    const quint64 top = *readNumber(data, trailer + 16, 8);
    layout.offsetTable = *readNumber(data, trailer + 24, 8);
    if (layout.offsetSize < 1 || layout.offsetSize > 8 || layout.referenceSize < 1
        || layout.referenceSize > 8 || top >= layout.objectCount
        || layout.objectCount > quint64(data.size()) || layout.offsetTable > quint64(trailer)
        || layout.objectCount * quint64(layout.offsetSize) > quint64(trailer) - layout.offsetTable)
        return true;

    // Depth and unfolded size of every object reachable from the top, worked
    // out once per object (depth-first without recursion). A reference back
    // to an object still being worked out is a cycle, which the library
    // refuses; it is not followed here.
    const quint64 unfoldedLimit = quint64(data.size()) / 8 + 1024;
    enum : quint8 { Unseen, Open, Done };
    QList<quint8> state(qsizetype(layout.objectCount), Unseen);
    QList<quint16> depth(qsizetype(layout.objectCount), 0);
    QList<quint32> unfolded(qsizetype(layout.objectCount), 0);
    struct Frame {
        quint64 object;
        QList<quint64> children;
        qsizetype next = 0;
    };
    bool badKey = false;
    QList<Frame> stack;
    stack.append({ top, layout.children(top, &badKey) });
    state[qsizetype(top)] = Open;
    while (!stack.isEmpty()) {
        if (stack.size() > maximumDepth || badKey)
            return false;
        Frame &frame = stack.last();
        if (frame.next < frame.children.size()) {
            const quint64 child = frame.children[frame.next++];
            if (state[qsizetype(child)] == Unseen) {
                state[qsizetype(child)] = Open;
                stack.append({ child, layout.children(child, &badKey) });
            }
            continue;
        }
        int deepest = 0;
        quint64 total = 1;
        for (const quint64 child : std::as_const(frame.children)) {
            if (state[qsizetype(child)] != Done)
                continue;
            deepest = std::max(deepest, int(depth[qsizetype(child)]));
            total = std::min(total + unfolded[qsizetype(child)], unfoldedLimit + 1);
        }
        const qsizetype at = qsizetype(frame.object);
        depth[at] = quint16(deepest + 1);
        unfolded[at] = quint32(total);
        state[at] = Done;
        if (depth[at] > maximumDepth || total > unfoldedLimit)
            return false;
        stack.removeLast();
    }
    return true;
}

} // namespace BinaryPlistShape
