#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <optional>

class QSettings;

// The per-user settings store. Three layers are consulted in order: values set for this run only
// (never written; command-line options use them), values the user stored, and registered defaults.
// Stored values live in an INI file under the XDG config folder (organisation "quenby", application
// "twinsift"). Every member may be called from any thread.
class UserDefaults
{
public:
    // The process-wide store. Created on first use and never destroyed, so that a background task
    // still running at exit can read it safely.
    static UserDefaults &standard();

    // Registers fallback values held in memory only; a stored value always wins over them.
    void registerDefaults(const QVariantMap &defaults);

    // The effective value of a key, or an invalid QVariant when no layer has one.
    QVariant objectForKey(const QString &key) const;
    bool boolForKey(const QString &key) const;
    qint64 integerForKey(const QString &key) const;
    double doubleForKey(const QString &key) const;
    // A list of texts, or no value when the key is unset or holds something that is not a list.
    std::optional<QStringList> stringArrayForKey(const QString &key) const;

    // Stores a value (written to disk by synchronize() and on destruction of the underlying file).
    void setObject(const QVariant &value, const QString &key);
    void setBool(bool value, const QString &key) { setObject(value, key); }
    void setInteger(qint64 value, const QString &key) { setObject(value, key); }
    void setDouble(double value, const QString &key) { setObject(value, key); }
    void removeObjectForKey(const QString &key);

    // A value that wins over stored and registered ones for the rest of this process, never stored.
    void setVolatile(const QVariant &value, const QString &key);

    // Writes stored values to disk; false when the file could not be written.
    bool synchronize();

    // Rereads the stored values from disk and forgets registered and volatile values. Tests use it
    // to simulate a new start of the application.
    void reloadFromDisk();

private:
    UserDefaults();

    mutable std::mutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    QHash<QString, QVariant> m_stored;
    QHash<QString, QVariant> m_registered;
    QHash<QString, QVariant> m_volatile;
};
