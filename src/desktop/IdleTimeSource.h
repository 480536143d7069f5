#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <variant>

// The idle time as a facility stores it: absent, raw bytes in host order,
// a signed count of nanoseconds, or something else named by a type number.
struct IdleValueMissing { };
struct IdleValueUnsupported {
    int typeId = 0;
};
using IdleValue = std::variant<IdleValueMissing, QByteArray, qint64, IdleValueUnsupported>;

// Where the time since the last keyboard or pointer input comes from. A source
// that cannot be opened throws IdleTimeError from its constructor; read()
// throws IdleTimeError when a single query fails.
class IdleTimeSource {
public:
    virtual ~IdleTimeSource() = default;
    virtual IdleValue read() = 0;
};
