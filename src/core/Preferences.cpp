#include "core/Preferences.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QVariantHash>

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

// Whether the INI reader can take the whole file: not an empty file or one
// whose last line has no end (a write cut off; every write ends its lines),
// not bytes that are no text, and no line the reader gives up on.
bool readsWhole(const QString &filePath, const QByteArray &bytes)
{
    if (!bytes.endsWith('\n') || bytes.contains('\0'))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        return false;
    QSettings probe(filePath, QSettings::IniFormat);
    return probe.status() == QSettings::NoError;
}

// The file may hold the token: it is private from the moment it exists.
constexpr QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

QString copyAside(const QString &filePath, const QByteArray &bytes)
{
    const QString stem = filePath + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString copy = stem;
    for (int n = 2; QFileInfo::exists(copy); ++n)
        copy = stem + QLatin1Char('-') + QString::number(n);
    QFile file(copy);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)
        || file.write(bytes) != bytes.size() || !file.flush())
        return {};
    return copy;
}

Preferences::Access accessOf(const QString &filePath)
{
    QFile file(filePath);
    // A folder of that name, or a file its owner keeps from us.
    if (QFileInfo::exists(filePath) && !file.open(QIODevice::ReadOnly))
        return Preferences::Access::Unreadable;
    file.close();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return Preferences::Access::Unwritable;
    return Preferences::Access::Usable;
}

} // namespace

Preferences::Preferences(const QString &filePath, QObject *parent)
    : QObject(parent)
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    if (QFileInfo::exists(filePath)) {
        recoverFrom(filePath);
    } else {
        // Made private before the token goes in, and never empty: an empty
        // file is one whose write was cut off.
        QFile file(filePath);
        if (file.open(QIODevice::WriteOnly, ownerOnly))
            file.write("[General]\n");
    }
    QFile::setPermissions(filePath, ownerOnly);
    if (!m_settings)
        m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    m_access = accessOf(filePath);
    if (m_access != Access::Usable)
        qWarning().noquote() << "Preferences file" << filePath << "cannot be"
                             << (m_access == Access::Unreadable ? "read" : "written");
}

void Preferences::recoverFrom(const QString &filePath)
{
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return; // QSettings reports what it cannot read or write itself
    const QByteArray bytes = file.readAll();
    file.close();
    if (readsWhole(filePath, bytes))
        return;

    const QString copy = copyAside(filePath, bytes);
    if (copy.isEmpty()) {
        // Without a copy the file is not touched: the store then only reads.
        qWarning().noquote() << "Preferences file" << filePath
                             << "cannot be read whole and no copy of it could be made";
        return;
    }
    m_damagedFileCopy = copy;
    qWarning().noquote() << "Preferences file" << filePath
                         << "cannot be read whole; it was copied to" << copy;

    // What the reader took before it gave up goes into a clean file, so that
    // the sticky read error does not mark every later good write as failed.
    QVariantHash kept;
    {
        QSettings damaged(filePath, QSettings::IniFormat);
        for (const QString &key : damaged.allKeys())
            kept.insert(key, damaged.value(key));
    }
    // Emptied in place rather than removed: a file made anew would be
    // readable by others until its first write is done.
    QFile::setPermissions(filePath, ownerOnly);
    QFile clean(filePath);
    if (clean.open(QIODevice::WriteOnly | QIODevice::Truncate))
        clean.write("[General]\n");
    clean.close();
    m_settings = std::make_unique<QSettings>(filePath, QSettings::IniFormat);
    for (auto it = kept.cbegin(); it != kept.cend(); ++it)
        m_settings->setValue(it.key(), it.value());
    // A token that survived is a sign-in that happened; the flag beside it
    // may be what was cut off.
    const QString token = m_settings->value(prefs::accessToken.key()).toString();
    if (!token.isEmpty())
        m_settings->setValue(prefs::isUserAuthDone.key(), true);
    sync();
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

void Preferences::setRawString(const QString &key, const QString &value)
{
    m_settings->setValue(key, value);
    written(key);
}

void Preferences::removeRaw(const QString &key)
{
    m_settings->remove(key);
    written(key);
}

QVariantMap Preferences::dictionary(const QString &key) const
{
    QVariantMap result;
    m_settings->beginGroup(key);
    const QStringList names = m_settings->childKeys();
    for (const QString &name : names)
        result.insert(name, m_settings->value(name));
    m_settings->endGroup();
    return result;
}

void Preferences::setDictionary(const QString &key, const QVariantMap &value)
{
    m_settings->remove(key);
    m_settings->beginGroup(key);
    for (auto it = value.cbegin(); it != value.cend(); ++it)
        m_settings->setValue(it.key(), it.value());
    m_settings->endGroup();
    written(key);
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
    if (m_settings->status() != QSettings::NoError) {
        qWarning().noquote() << "Cannot write preferences to" << m_settings->fileName();
        if (m_access == Access::Usable && m_settings->status() == QSettings::AccessError)
            m_access = Access::Unwritable;
    }
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
        QFile::setPermissions(path, ownerOnly);
}
