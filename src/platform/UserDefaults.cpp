#include "platform/UserDefaults.h"

#include <QSettings>

UserDefaults &UserDefaults::standard()
{
    static UserDefaults *const instance = new UserDefaults();
    return *instance;
}

UserDefaults::UserDefaults()
{
    reloadFromDisk();
}

void UserDefaults::reloadFromDisk()
{
    std::lock_guard lock(m_mutex);
    m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("quenby"),
                                             QStringLiteral("twinsift"));
    m_stored.clear();
    m_registered.clear();
    m_volatile.clear();
    const QStringList keys = m_settings->allKeys();
    for (const QString &key : keys)
        m_stored.insert(key, m_settings->value(key));
}

void UserDefaults::registerDefaults(const QVariantMap &defaults)
{
    std::lock_guard lock(m_mutex);
    for (auto it = defaults.begin(); it != defaults.end(); ++it)
        m_registered.insert(it.key(), it.value());
}

QVariant UserDefaults::objectForKey(const QString &key) const
{
    std::lock_guard lock(m_mutex);
    if (auto it = m_volatile.constFind(key); it != m_volatile.constEnd())
        return *it;
    if (auto it = m_stored.constFind(key); it != m_stored.constEnd())
        return *it;
    if (auto it = m_registered.constFind(key); it != m_registered.constEnd())
        return *it;
    return QVariant();
}

bool UserDefaults::boolForKey(const QString &key) const
{
    // The INI file gives back every scalar as text; QVariant converts "true"/"false" and numbers.
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
        return text.toLongLong() != 0;
    }
    return value.toBool();
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    bool ok = false;
    const qint64 asInteger = value.toLongLong(&ok);
    if (ok)
        return asInteger;
    return static_cast<qint64>(value.toDouble());
}

double UserDefaults::doubleForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0 : 0.0;
    return value.toDouble();
}

std::optional<QStringList> UserDefaults::stringArrayForKey(const QString &key) const
{
    const QVariant value = objectForKey(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() == QMetaType::QVariantList) {
        QStringList list;
        for (const QVariant &item : value.toList()) {
            if (item.typeId() != QMetaType::QString)
                return std::nullopt;
            list << item.toString();
        }
        return list;
    }
    return std::nullopt;
}

void UserDefaults::setObject(const QVariant &value, const QString &key)
{
    std::lock_guard lock(m_mutex);
    m_stored.insert(key, value);
    m_settings->setValue(key, value);
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    std::lock_guard lock(m_mutex);
    m_stored.remove(key);
    m_settings->remove(key);
}

void UserDefaults::setVolatile(const QVariant &value, const QString &key)
{
    std::lock_guard lock(m_mutex);
    m_volatile.insert(key, value);
}

bool UserDefaults::synchronize()
{
    std::lock_guard lock(m_mutex);
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
