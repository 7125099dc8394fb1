#include "platform/InternedString.h"

#include <QHashFunctions>

#include <mutex>
#include <unordered_set>

namespace {

struct TextHash
{
    size_t operator()(const QString &text) const { return qHash(text, 0); }
};

} // namespace

const QString &internedString(const QString &text)
{
    static const QString null;
    if (text.isNull())
        return null;
    static std::mutex mutex;
    // Never freed, and node-based: an element keeps its address when the set grows.
    static auto *const strings = new std::unordered_set<QString, TextHash>();
    std::lock_guard lock(mutex);
    return *strings->insert(text).first;
}
