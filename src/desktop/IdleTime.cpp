#include "desktop/IdleTime.h"

#include "desktop/X11IdleTimeSource.h"

#include <QDebug>
#include <QLoggingCategory>

#include <cstring>

namespace {
Q_LOGGING_CATEGORY(lcIdle, "velto.idle")

QString reason(const char *text)
{
    return QString::fromLatin1(text);
}
QString errorName(const char *name)
{
    return QString::fromLatin1(name);
}
} // namespace

quint64 idleNanosecondsFromValue(const IdleValue &value)
{
    if (std::holds_alternative<IdleValueMissing>(value))
        throw IdleTimeError(
            errorName(idletimeerrors::idleTimeMissingError), reason("Cannot get system idle time"));
    if (const auto *bytes = std::get_if<QByteArray>(&value)) {
        // Fewer than eight bytes would mean reading past the value.
        if (bytes->size() < qsizetype(sizeof(quint64)))
            throw IdleTimeError(errorName(idletimeerrors::idleTimeMissingError),
                reason("Cannot get system idle time"));
        quint64 result = 0;
        std::memcpy(&result, bytes->constData(), sizeof result);
        return result;
    }
    if (const auto *number = std::get_if<qint64>(&value)) {
        // A clock step can make a count negative; as unsigned it would read as
        // centuries of idleness and set off the idle refresh.
        return *number < 0 ? 0 : quint64(*number);
    }
    const int typeId = std::get<IdleValueUnsupported>(value).typeId;
    throw IdleTimeError(
        errorName(idletimeerrors::typeError), QStringLiteral("Unsupported type: %1\n").arg(typeId));
}

IdleTime::IdleTime(std::unique_ptr<IdleTimeSource> source)
    : m_source(std::move(source))
{
    if (!m_source)
        throw IdleTimeError(
            errorName(idletimeerrors::facilityError), reason("No idle time source"));
}

IdleTime::~IdleTime() = default;

std::unique_ptr<IdleTime> IdleTime::openX11(const QByteArray &displayName)
{
    return std::make_unique<IdleTime>(std::make_unique<X11IdleTimeSource>(displayName));
}

quint64 IdleTime::timeIdle()
{
    return idleNanosecondsFromValue(m_source->read());
}

quint64 IdleTime::secondsIdle()
{
    return idleSecondsFromNanoseconds(timeIdle());
}

std::optional<quint64> IdleTime::secondsIdleIfKnown()
{
    try {
        const quint64 seconds = secondsIdle();
        m_failureLogged = false;
        return seconds;
    } catch (const IdleTimeError &error) {
        if (!m_failureLogged)
            qCWarning(lcIdle).noquote()
                << "Cannot read the idle time:" << error.name() << error.reason().trimmed();
        m_failureLogged = true;
        return std::nullopt;
    }
}
