#include "service/MentionCounter.h"

QString MentionCounter::counterText(quint64 count)
{
    if (count == 0)
        return QString();
    if (count >= 1000)
        return QStringLiteral("...");
    return QString::number(count);
}

void MentionCounter::setUnseenCount(quint64 count)
{
    const bool changed = count != m_count;
    m_count = count;
    m_text = counterText(count);
    if (changed)
        Q_EMIT countChanged(count);
}
