#include "core/Preferences.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

namespace {

std::unique_ptr<Preferences> &standardSlot()
{
    static std::unique_ptr<Preferences> slot;
    return slot;
}

void logWrongType(const QString &key, const QVariant &raw, const char *expected)
{
    // Some keys are read on every scroll; one line per key and value is enough.
    static QSet<QString> logged;
    if (logged.contains(key + raw.toString()))
        return;
    logged.insert(key + raw.toString());
    qWarning().noquote() << "Preference" << key << "holds" << raw.toString() << "which is not"
                         << expected << "- reading it as absent";
}

} // namespace

Preferences::Preferences(const QString &filePath, QObject *parent)
    : QObject(parent)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    if (!QFileInfo::exists(filePath)) {
        QFile file(filePath);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    QFile::setPermissions(filePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
}

Preferences::~Preferences()
{
    sync();
}

Preferences &Preferences::standard()
{
    auto &slot = standardSlot();
    if (!slot)
        slot = std::make_unique<Preferences>(standardFilePath());
    return *slot;
}

void Preferences::resetStandard()
{
    standardSlot().reset();
}

QString Preferences::standardFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/Velto/Velto.conf");
}

bool Preferences::value(BoolKey key) const
{
    const QVariant raw = m_settings->value(key.key());
    if (!raw.isValid())
        return false;
    if (raw.typeId() == QMetaType::Bool)
        return raw.toBool();
    const QString text = raw.toString().trimmed().toLower();
    if (text == u"true" || text == u"1" || text == u"yes")
        return true;
    if (text == u"false" || text == u"0" || text == u"no" || text.isEmpty())
        return false;
    logWrongType(key.key(), raw, "a boolean");
    return false;
}

qint64 Preferences::value(IntKey key) const
{
    const QVariant raw = m_settings->value(key.key());
    if (!raw.isValid())
        return 0;
    bool ok = false;
    const qint64 v = raw.toString().trimmed().toLongLong(&ok);
    if (!ok) {
        logWrongType(key.key(), raw, "an integer");
        return 0;
    }
    return v;
}

quint64 Preferences::value(UIntKey key) const
{
    const QVariant raw = m_settings->value(key.key());
    if (!raw.isValid())
        return 0;
    bool ok = false;
    const quint64 v = raw.toString().trimmed().toULongLong(&ok);
    if (!ok) {
        logWrongType(key.key(), raw, "an unsigned integer");
        return 0;
    }
    return v;
}

std::optional<QString> Preferences::value(StringKey key) const
{
    return rawString(key.key());
}

std::optional<QString> Preferences::rawString(const QString &key) const
{
    const QVariant raw = m_settings->value(key);
    if (!raw.isValid())
        return std::nullopt;
    if (raw.typeId() == QMetaType::QStringList) {
        // INI turns an unquoted "a, b" into a list; the text is what was meant.
        return raw.toStringList().join(QStringLiteral(", "));
    }
    if (!raw.canConvert<QString>()) {
        logWrongType(key, raw, "a string");
        return std::nullopt;
    }
    return raw.toString();
}

bool Preferences::contains(const char *name) const
{
    return m_settings->contains(QString::fromLatin1(name));
}

void Preferences::setValue(BoolKey key, bool value)
{
    m_settings->setValue(key.key(), value);
    written(key.key());
}

void Preferences::setValue(IntKey key, qint64 value)
{
    m_settings->setValue(key.key(), value);
    written(key.key());
}

void Preferences::setValue(UIntKey key, quint64 value)
{
    m_settings->setValue(key.key(), value);
    written(key.key());
}

void Preferences::setValue(StringKey key, const QString &value)
{
    m_settings->setValue(key.key(), value);
    written(key.key());
}

void Preferences::remove(const char *name)
{
    const QString key = QString::fromLatin1(name);
    m_settings->remove(key);
    written(key);
}

QString Preferences::filePath() const
{
    return m_settings->fileName();
}

void Preferences::sync()
{
    if (!m_settings)
        return;
    m_settings->sync();
    if (m_settings->status() != QSettings::NoError)
        qWarning().noquote() << "Cannot write preferences to" << m_settings->fileName();
    restrictPermissions();
}

void Preferences::written(const QString &key)
{
    sync();
    Q_EMIT changed(key);
}

void Preferences::restrictPermissions()
{
    const QString path = m_settings ? m_settings->fileName() : QString();
    if (!path.isEmpty() && QFileInfo::exists(path))
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
