#pragma once

// The user settings store: a thin layer over QSettings (INI format; the shared store is the
// per-user file ~/.config/Pennova/Pennova.conf) with a second, in-memory layer of factory values
// that is never written to disk. A read returns the user's stored value when there is one that
// parses as the type asked for, else the factory value, else zero or empty; no stored text, however
// damaged, makes a read fail. Values are not range-checked here: their readers clamp them.

#include <QByteArray>
#include <QObject>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantMap>

namespace pennova {

class Defaults : public QObject
{
    Q_OBJECT
public:
    // A store kept in the given INI file (tests, tools).
    explicit Defaults(const QString &settingsPath, QObject *parent = nullptr);

    // The process-wide store of the user's settings.
    static Defaults &shared();

    // Adds factory values (merged over earlier ones with the same key); kept in memory only.
    void registerDefaults(const QVariantMap &factoryValues);

    // Typed reads. Numbers accept integers, decimals and true/false; a number that is not finite
    // or does not fit the type does not parse. Integers are truncated toward zero from decimals.
    // Booleans accept true/false, yes/no (any case) and numbers (non-zero is true). A stored text
    // of more than 64 characters is neither a number nor a boolean, and is not parsed. Data must
    // be stored as data; strings accept text and numbers.
    float floatForKey(const QString &key) const;
    int integerForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    QByteArray dataForKey(const QString &key) const;
    QString stringForKey(const QString &key) const;
    // The stored value as it is, else the factory value, else an invalid QVariant.
    QVariant objectForKey(const QString &key) const;
    // Whether the user's store holds a value for the key (parsable or not).
    bool hasStoredValue(const QString &key) const;

    // Writes; each emits changed(key) afterwards.
    void setFloat(const QString &key, float value);
    void setInteger(const QString &key, int value);
    void setBool(const QString &key, bool value);
    void setData(const QString &key, const QByteArray &value);
    void setString(const QString &key, const QString &value);
    void removeObjectForKey(const QString &key);

    // Writes pending changes to disk and picks up changes made by other processes.
    void sync();
    // Counts the events that may change what a read returns: writes, removals, registered
    // factory values and syncs, of any store in the process (stores of one file share their
    // values). A reader may keep what it read while the count stays the same.
    static quint64 generation();
    QString fileName() const { return m_settings.fileName(); }

signals:
    void changed(const QString &key);

private:
    Defaults();

    QVariant storedValue(const QString &key) const;
    void write(const QString &key, const QVariant &value);

    QSettings m_settings;
    QVariantMap m_factory;
};

// Registers the factory values of the brush, colour, undo depth and donation message, then syncs.
void registerApplicationDefaults(Defaults &defaults);
// Registers the factory size of a new canvas (640 x 480), then syncs.
void registerDocumentDefaults(Defaults &defaults);

} // namespace pennova
