#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Writes a binary property list ("bplist00") of dictionaries, strings,
// unsigned integers and dates, in time linear in the number of objects.
//
// The disk cache's index needs this: libplist 2.2 serialises a dictionary of
// several thousand dates in time that grows faster than the count (an index of
// 20,000 entries took ten times as long as one of 5,000). Reading stays with
// libplist (PropertyList::decode), which reads this output like any other.
//
// Objects are added bottom-up and named by the id each add returns; an object
// may be referred to by several dictionaries (a key shared by two of them is
// written once).
class BinaryPlistWriter {
public:
    using Id = quint32;

    Id addString(const QString &text);
    Id addUnsigned(quint64 value);
    // Milliseconds since the Unix epoch, UTC.
    Id addDate(qint64 msecsSinceEpoch);
    Id addDictionary(QList<QPair<Id, Id>> keysAndValues);

    // The finished property list with `top` as its root object.
    QByteArray finish(Id top);

private:
    Id startObject();

    QByteArray m_objects = QByteArray("bplist00");
    QList<quint64> m_offsets; // by id; dictionaries are placed by finish()
    QList<QPair<Id, QList<QPair<Id, Id>>>> m_dictionaries;
};
