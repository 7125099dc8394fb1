#include "platform/UserDefaults.h"

#include "platform/SettingsKeys.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>

#include <sys/stat.h>

#include <array>
#include <cmath>
#include <type_traits>

namespace {

QString settingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/quenby/twinsift.ini");
}

// The INI file gives back every scalar as text; values set in this process keep their types.
bool isText(const QVariant &value)
{
    return value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
}

std::optional<bool> boolIn(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const QString text = value.toString().trimmed();
    if (isText(value) && text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (isText(value) && text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qint64 number = value.toLongLong(&ok);
    return ok ? std::optional(number != 0) : std::nullopt;
}

std::optional<double> doubleIn(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1.0 : 0.0;
    bool ok = false;
    const double number = isText(value) ? value.toString().trimmed().toDouble(&ok) : value.toDouble(&ok);
    return ok && !std::isnan(number) ? std::optional(number) : std::nullopt;
}

std::optional<qint64> integerIn(const QVariant &value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? 1 : 0;
    bool ok = false;
    const bool isFloatingPoint = value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float;
    const qint64 number = isText(value)     ? value.toString().trimmed().toLongLong(&ok)
                          : isFloatingPoint ? 0
                                            : value.toLongLong(&ok);
    if (ok)
        return number;
    // A whole number written as a floating-point one ("20.0"), as some writers store it.
    const auto asDouble = doubleIn(value);
    if (asDouble && *asDouble == std::trunc(*asDouble) && std::abs(*asDouble) < 9.2e18)
        return qint64(*asDouble);
    return std::nullopt;
}

// QSettings writes an empty list as "@Invalid()", which reads back as no value.
std::optional<QStringList> stringListIn(const QVariant &value)
{
    if (!value.isValid())
        return QStringList();
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList list;
    for (const QVariant &item : value.toList()) {
        if (item.typeId() != QMetaType::QString)
            return std::nullopt;
        list << item.toString();
    }
    return list;
}

// QSettings writes a list of one text as the text alone, which reads back as a text; as a list of
// variants, it is written serialised and reads back as a list.
QVariant forSettingsFile(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList && value.toStringList().size() == 1)
        return QVariantList{value.toStringList().constFirst()};
    return value;
}

template <typename T> bool isInRange(const QString &key, const T &value)
{
    if constexpr (!std::is_arithmetic_v<T> || std::is_same_v<T, bool>) {
        return true;
    } else {
        const auto range = SettingsKeys::validRange(key);
        return !range || (double(value) >= range->minimum && double(value) <= range->maximum);
    }
}

} // namespace

UserDefaults &UserDefaults::standard()
{
    static UserDefaults *const instance = new UserDefaults();
    return *instance;
}

void UserDefaults::loadStoredValues() const
{
    if (m_loaded || m_storedIgnored)
        return;
    m_loaded = true;
    const QString path = settingsFilePath();
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return;
    m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    const QStringList keys = m_settings->allKeys();
    for (const QString &key : keys)
        m_stored.insert(key, m_settings->value(key));
}

void UserDefaults::reloadFromDisk()
{
    std::lock_guard lock(m_mutex);
    m_settings.reset();
    m_stored.clear();
    m_registered.clear();
    m_volatile.clear();
    m_loaded = false;
    m_storedIgnored = false;
    loadStoredValues();
}

void UserDefaults::ignoreStoredValues()
{
    std::lock_guard lock(m_mutex);
    m_storedIgnored = true;
    m_settings.reset();
    m_stored.clear();
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
    loadStoredValues();
    for (const QHash<QString, QVariant> *layer : layers()) {
        if (auto it = layer->constFind(key); it != layer->constEnd())
            return *it;
    }
    return QVariant();
}

std::array<const QHash<QString, QVariant> *, 3> UserDefaults::layers() const
{
    return {&m_volatile, &m_stored, &m_registered};
}

template <typename T, typename Parse>
std::optional<T> UserDefaults::firstValid(const QString &key, Parse parse) const
{
    std::lock_guard lock(m_mutex);
    loadStoredValues();
    for (const QHash<QString, QVariant> *layer : layers()) {
        const auto it = layer->constFind(key);
        if (it == layer->constEnd())
            continue;
        // A value set for this run is the setter's to check (the command line refuses or clamps its
        // options); a stored one may be anything a file can hold.
        const std::optional<T> value = parse(*it);
        if (value && (layer != &m_stored || isInRange(key, *value)))
            return value;
    }
    return std::nullopt;
}

bool UserDefaults::boolForKey(const QString &key) const
{
    return firstValid<bool>(key, boolIn).value_or(false);
}

qint64 UserDefaults::integerForKey(const QString &key) const
{
    return firstValid<qint64>(key, integerIn).value_or(0);
}

double UserDefaults::doubleForKey(const QString &key) const
{
    return firstValid<double>(key, doubleIn).value_or(0.0);
}

std::optional<QStringList> UserDefaults::stringArrayForKey(const QString &key) const
{
    return firstValid<QStringList>(key, stringListIn);
}

void UserDefaults::setObject(const QVariant &value, const QString &key)
{
    std::lock_guard lock(m_mutex);
    loadStoredValues();
    m_stored.insert(key, value);
    if (m_settings)
        m_settings->setValue(key, forSettingsFile(value));
}

void UserDefaults::removeObjectForKey(const QString &key)
{
    std::lock_guard lock(m_mutex);
    loadStoredValues();
    m_stored.remove(key);
    if (m_settings)
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
    if (!m_settings)
        return m_storedIgnored;
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}
