#include "desktop/IdleTime.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

namespace {

// Answers the queued values in order, and fails the query once they run out.
class ScriptedSource : public IdleTimeSource {
public:
    explicit ScriptedSource(std::deque<IdleValue> values)
        : m_values(std::move(values))
    {
    }
    IdleValue read() override
    {
        if (m_values.empty())
            throw IdleTimeError(QStringLiteral("IdleTimeSystemPropError"),
                QStringLiteral("Cannot get system properties"));
        IdleValue v = m_values.front();
        m_values.pop_front();
        return v;
    }

private:
    std::deque<IdleValue> m_values;
};

IdleTime idleOf(std::deque<IdleValue> values)
{
    return IdleTime(std::make_unique<ScriptedSource>(std::move(values)));
}

QByteArray hostBytes(quint64 n)
{
    QByteArray bytes(sizeof n, '\0');
    std::memcpy(bytes.data(), &n, sizeof n);
    return bytes;
}

// Seconds are nanoseconds shifted by thirty bits, not divided by a billion:
// the refresh rule's "more than 29" is first met at 30 x 2^30 ns.
TEST(IdleTime, ValuesOfEveryFormReadAsNanosecondsAndShiftedSeconds)
{
    const quint64 ns = 123'456'789'012ull;
    const struct {
        IdleValue value;
        quint64 nanoseconds;
        quint64 seconds;
    } cases[] = {
        { qint64(30'000'000'000), 30'000'000'000u, 27 },
        { qint64(30) * (1 << 30) - 1, quint64(30) * (1 << 30) - 1, 29 },
        { qint64(30) * (1 << 30), quint64(30) * (1 << 30), 30 },
        { hostBytes(ns), ns, ns >> 30 },
        { hostBytes(ns) + QByteArray("\xff\xff\xff\xff", 4), ns, ns >> 30 },
        { qint64(-5'000'000'000), 0, 0 },
    };
    for (const auto &c : cases) {
        EXPECT_EQ(idleOf({ c.value }).timeIdle(), c.nanoseconds) << c.nanoseconds;
        EXPECT_EQ(idleOf({ c.value }).secondsIdle(), c.seconds) << c.nanoseconds;
    }
}

TEST(IdleTime, UnreadableValuesRaiseTheirNamedErrorsAndTheTimerFormAnswersNothing)
{
    const std::pair<std::deque<IdleValue>, const char *> cases[] = {
        { { IdleValueMissing {} }, "IdleTimeSystemTimeError" },
        { { IdleValueUnsupported { 7 } }, "IdleTimeTypeError" },
        // Short data is refused rather than read past its end.
        { { QByteArray("\x01\x02\x03", 3) }, "IdleTimeSystemTimeError" },
        { {}, "IdleTimeSystemPropError" },
    };
    for (const auto &[values, name] : cases) {
        try {
            idleOf(values).timeIdle();
            ADD_FAILURE() << name << " was not raised";
        } catch (const IdleTimeError &e) {
            EXPECT_EQ(e.name(), QLatin1String(name));
        }
    }
    EXPECT_THROW(IdleTime(nullptr), IdleTimeError);

    IdleTime idle = idleOf({ qint64(40) << 30, IdleValueMissing {}, qint64(2) << 30 });
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::optional<quint64>(40));
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::nullopt);
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::optional<quint64>(2));
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::nullopt);
}

} // namespace
