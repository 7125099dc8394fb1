#include "platform/InternedString.h"

#include <QSet>

#include <mutex>

QString internedString(const QString &text)
{
    if (text.isNull())
        return text;
    static std::mutex mutex;
    static QSet<QString> *const strings = new QSet<QString>();
    std::lock_guard lock(mutex);
    auto it = strings->constFind(text);
    if (it == strings->constEnd())
        it = strings->insert(text);
    return *it;
}
