#pragma once

#include <QByteArray>
#include <QDBusObjectPath>
#include <QMap>
#include <QMetaType>
#include <QString>

class QDBusArgument;

// The Secret Service's value of a secret on the bus: (session, parameters,
// value, content type), and the map of them that GetSecrets answers.
struct SecretValue {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};
Q_DECLARE_METATYPE(SecretValue)

using SecretsByItem = QMap<QDBusObjectPath, SecretValue>;

QDBusArgument &operator<<(QDBusArgument &argument, const SecretValue &secret);
const QDBusArgument &operator>>(const QDBusArgument &argument, SecretValue &secret);

// Makes the two types known to D-Bus (once; any thread may call it).
void registerSecretValueTypes();
