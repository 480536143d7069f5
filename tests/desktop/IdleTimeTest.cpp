#include "desktop/IdleTime.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>

namespace {

// Answers the queued values in order; an exception is thrown when the queue
// holds one instead of a value.
class ScriptedSource : public IdleTimeSource {
public:
    explicit ScriptedSource(std::deque<IdleValue> values, int *readCount = nullptr)
        : m_values(std::move(values))
        , m_readCount(readCount)
    {
    }

    IdleValue read() override
    {
        if (m_readCount)
            ++*m_readCount;
        if (m_values.empty())
            throw IdleTimeError(QStringLiteral("IdleTimeSystemPropError"),
                QStringLiteral("Cannot get system properties"));
        IdleValue v = m_values.front();
        m_values.pop_front();
        return v;
    }

private:
    std::deque<IdleValue> m_values;
    int *m_readCount;
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

template <typename F> IdleTimeError errorFrom(F &&f)
{
    try {
        f();
    } catch (const IdleTimeError &e) {
        return e;
    }
    ADD_FAILURE() << "no IdleTimeError was raised";
    return IdleTimeError(QString(), QString());
}

TEST(IdleTime, SecondsAreNanosecondsShiftedByThirtyBitsNotDividedByABillion)
{
    auto idle = idleOf({ qint64(30'000'000'000), qint64(30'000'000'000) });
    EXPECT_EQ(idle.timeIdle(), 30'000'000'000u);
    EXPECT_EQ(idle.secondsIdle(), 27u);

    // The refresh rule wants more than 29: first met at 30 x 2^30 ns, about 32.2 s.
    auto edge = idleOf({ qint64(30) * (1 << 30) - 1, qint64(30) * (1 << 30) });
    EXPECT_EQ(edge.secondsIdle(), 29u);
    EXPECT_EQ(edge.secondsIdle(), 30u);
}

TEST(IdleTime, DataAndNumberGiveTheSameResult)
{
    const quint64 ns = 123'456'789'012ull;
    auto idle = idleOf({ hostBytes(ns), qint64(ns) });
    EXPECT_EQ(idle.timeIdle(), ns);
    EXPECT_EQ(idle.timeIdle(), ns);

    // Only the first eight bytes count.
    QByteArray longer = hostBytes(ns) + QByteArray("\xff\xff\xff\xff", 4);
    EXPECT_EQ(idleOf({ longer }).timeIdle(), ns);
}

TEST(IdleTime, UnreadableValuesRaiseTheirNamedErrors)
{
    auto missing = errorFrom([] { idleOf({ IdleValueMissing {} }).timeIdle(); });
    EXPECT_EQ(missing.name(), QStringLiteral("IdleTimeSystemTimeError"));
    EXPECT_EQ(missing.reason(), QStringLiteral("Cannot get system idle time"));

    auto wrongType = errorFrom([] { idleOf({ IdleValueUnsupported { 7 } }).timeIdle(); });
    EXPECT_EQ(wrongType.name(), QStringLiteral("IdleTimeTypeError"));
    EXPECT_EQ(wrongType.reason(), QStringLiteral("Unsupported type: 7\n"));

    // Short data is refused rather than read past its end.
    auto shortData = errorFrom([] { idleOf({ QByteArray("\x01\x02\x03", 3) }).timeIdle(); });
    EXPECT_EQ(shortData.name(), QStringLiteral("IdleTimeSystemTimeError"));

    auto failedQuery = errorFrom([] { idleOf({}).secondsIdle(); });
    EXPECT_EQ(failedQuery.name(), QStringLiteral("IdleTimeSystemPropError"));
    EXPECT_EQ(failedQuery.reason(), QStringLiteral("Cannot get system properties"));

    auto noSource = errorFrom([] { IdleTime idle(nullptr); });
    EXPECT_EQ(noSource.name(), QStringLiteral("IdleTimeIOHIDError"));
}

TEST(IdleTime, NegativeCountReadsAsJustActive)
{
    auto idle = idleOf({ qint64(-5'000'000'000) });
    EXPECT_EQ(idle.secondsIdle(), 0u);
}

TEST(IdleTime, TimerFormAnswersNothingOnFailureAndRecovers)
{
    int reads = 0;
    std::deque<IdleValue> values { qint64(40) << 30, IdleValueMissing {},
        IdleValueUnsupported { 3 }, qint64(2) << 30 };
    IdleTime idle(std::make_unique<ScriptedSource>(values, &reads));
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::optional<quint64>(40));
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::nullopt);
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::nullopt);
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::optional<quint64>(2));
    EXPECT_EQ(idle.secondsIdleIfKnown(), std::nullopt); // the source ran dry
    EXPECT_EQ(reads, 5);
}

} // namespace
