#pragma once

#include "core/PreferenceKeys.h"

#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariantMap>

#include <memory>
#include <optional>

// The per-user preferences store: an INI file, created with mode 0600 because
// it holds the bearer token. Every key is read and written through the typed
// accessors below. A value of the wrong type under a key reads as the absent
// value and logs one line. Writes go to disk at once. A file that cannot be
// read whole is copied aside before anything is written, and what could be
// read from it is kept.
class Preferences : public QObject {
    Q_OBJECT
public:
    explicit Preferences(const QString &filePath, QObject *parent = nullptr);
    ~Preferences() override;

    // The store of the running program: $XDG_CONFIG_HOME/Velto/Velto.conf.
    static Preferences &standard();
    // Forgets the standard store so the next standard() reopens it (tests that
    // change XDG_CONFIG_HOME).
    static void resetStandard();
    static QString standardFilePath();

    bool value(BoolKey key) const;
    qint64 value(IntKey key) const;
    quint64 value(UIntKey key) const;
    std::optional<QString> value(StringKey key) const;
    bool contains(const char *name) const;

    void setValue(BoolKey key, bool value);
    void setValue(IntKey key, qint64 value);
    void setValue(UIntKey key, quint64 value);
    void setValue(StringKey key, const QString &value);
    void remove(const char *name);
    template <typename K> void remove(K key) { remove(key.name); }

    // Untyped string read for values outside the key table (configuration).
    std::optional<QString> rawString(const QString &key) const;
    void setRawString(const QString &key, const QString &value);
    void removeRaw(const QString &key);

    // A dictionary kept as a group of entries (the shortcut recorders' own
    // entries); numbers read back as text, so callers convert.
    QVariantMap dictionary(const QString &key) const;
    void setDictionary(const QString &key, const QVariantMap &value);

    QString filePath() const;
    void sync();
    // Whether the file can be read and written. A store that cannot is no
    // first start: what is set lives only until the program ends.
    enum class Access { Usable, Unreadable, Unwritable };
    Access access() const { return m_access; }
    // Where a damaged file was copied when this store was opened.
    std::optional<QString> damagedFileCopy() const { return m_damagedFileCopy; }

Q_SIGNALS:
    void changed(const QString &key);

private:
    void written(const QString &key);
    void restrictPermissions();
    void recoverFrom(const QString &filePath);

    std::unique_ptr<QSettings> m_settings;
    std::optional<QString> m_damagedFileCopy;
    Access m_access = Access::Usable;
};
