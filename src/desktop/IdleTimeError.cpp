#include "desktop/IdleTimeError.h"

IdleTimeError::IdleTimeError(const QString &name, const QString &reason)
    : std::runtime_error(QString(name + QStringLiteral(": ") + reason).toStdString())
    , m_name(name)
    , m_reason(reason)
{
}
