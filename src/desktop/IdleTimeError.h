#pragma once

#include <QString>

#include <stdexcept>

// Raised when the idle-time facility cannot be opened or read. `name` is one
// of the fixed error names below, `reason` the one-line explanation.
class IdleTimeError : public std::runtime_error {
public:
    IdleTimeError(const QString &name, const QString &reason);

    QString name() const { return m_name; }
    QString reason() const { return m_reason; }

private:
    QString m_name;
    QString m_reason;
};

namespace idletimeerrors {

// No connection to the display server.
inline constexpr char connectionError[] = "IdleTimeIOKitError";
// The display server lacks the input idle facility.
inline constexpr char facilityError[] = "IdleTimeIOHIDError";
// The facility is there but has nothing to ask.
inline constexpr char iteratorError[] = "IdleTimeIteratorError";
// A single query failed.
inline constexpr char propertiesError[] = "IdleTimeSystemPropError";
// The query answered without an idle time.
inline constexpr char idleTimeMissingError[] = "IdleTimeSystemTimeError";
// The idle time came in a form we cannot read.
inline constexpr char typeError[] = "IdleTimeTypeError";

} // namespace idletimeerrors
