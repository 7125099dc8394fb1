#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <array>
#include <memory>
#include <mutex>
#include <optional>

class QSettings;

// The per-user settings store. Three layers are consulted in order: values set for this run only
// (never written; command-line options use them), values the user stored, and registered defaults.
// Stored values live in an INI file under the XDG config folder (organisation "quenby", application
// "twinsift"), read on first use and only when it is a regular file: a FIFO there would block every
// reader. Every member may be called from any thread.
//
// The typed readers take the first layer whose value is valid for them: a boolean, or a number (not
// NaN), a stored one also within the key's range (SettingsKeys::validRange). A stored "abc", "-5" or
// "1e30" where a size belongs counts as absent, so the registered default applies.
class UserDefaults
{
public:
    // The process-wide store. Created on first use and never destroyed, so that a background task
    // still running at exit can read it safely.
    static UserDefaults &standard();

    // Registers fallback values held in memory only; a stored value always wins over them.
    void registerDefaults(const QVariantMap &defaults);

    // The effective value of a key as held, or an invalid QVariant when no layer has one.
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

    // Leaves the settings file alone from now on: it is neither read nor written, and values stored
    // meanwhile last for this process only. The command-line tool behaves the same on every machine
    // this way, unless asked to use the user's settings.
    void ignoreStoredValues();

    // Writes stored values to disk; false when the file could not be written.
    bool synchronize();

    // Rereads the stored values from disk and forgets registered and volatile values and
    // ignoreStoredValues(). Tests use it to simulate a new start of the application.
    void reloadFromDisk();

private:
    UserDefaults() = default;
    // Reads the settings file the first time stored values are needed. Called with the lock held.
    void loadStoredValues() const;
    // The volatile, stored and registered values, in the order they are consulted.
    std::array<const QHash<QString, QVariant> *, 3> layers() const;
    // The first value of the key, through the layers in order, that parse() accepts and that lies in
    // the key's range.
    template <typename T, typename Parse> std::optional<T> firstValid(const QString &key, Parse parse) const;

    mutable std::mutex m_mutex;
    mutable bool m_loaded = false;
    bool m_storedIgnored = false;
    mutable std::unique_ptr<QSettings> m_settings;
    mutable QHash<QString, QVariant> m_stored;
    QHash<QString, QVariant> m_registered;
    QHash<QString, QVariant> m_volatile;
};
