#include "platform/SecretValue.h"

#include <QDBusArgument>
#include <QDBusMetaType>

QDBusArgument &operator<<(QDBusArgument &argument, const SecretValue &secret)
{
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SecretValue &secret)
{
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

void registerSecretValueTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<SecretValue>();
        qDBusRegisterMetaType<SecretsByItem>();
        return true;
    }();
    Q_UNUSED(registered);
}
