#include "scan/ManagerCore.h"

#include "fs/FileManagerProxy.h"
#include "fs/FingerprintCache.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "scan/CustomRuleController.h"
#include "scan/SourceNodeManager.h"

#include <QTimer>

#include <chrono>

namespace {

constexpr std::chrono::milliseconds statusNotificationInterval{50};

} // namespace

ManagerCore::ManagerCore(SourceNodeManager *manager, ScanRules rules)
    : groups([this](const DupGroup::Ptr &group) { requestThumbnail(group); }),
      status([this] { statusChanged(); }),
      rules(std::make_shared<const CustomRuleController>(std::move(rules))),
      protection(std::make_shared<const ProtectedFolders>()), m_manager(manager)
{
}

ManagerCore::~ManagerCore()
{
    if (m_cache && m_cache->hasUnsaved())
        saveFingerprintCache();
}

FingerprintCache *ManagerCore::fingerprintCache()
{
    if (!rules.load()->rules().usesFingerprintCache)
        return nullptr;
    if (!m_cache)
        m_cache = std::make_unique<FingerprintCache>(FingerprintCache::defaultPath());
    if (!std::exchange(m_cacheLoaded, true))
        m_cacheWarning = m_cache->load();
    return m_cache.get();
}

void ManagerCore::setFingerprintCache(std::unique_ptr<FingerprintCache> cache)
{
    m_cache = std::move(cache);
    m_cacheLoaded = false;
}

void ManagerCore::saveFingerprintCache()
{
    if (!m_cache || !m_cacheLoaded)
        return;
    // Said like a cache that could not be loaded: the next run reads the files again.
    if (const MaybeError error = m_cache->save())
        m_cacheWarning =
            QStringLiteral("The fingerprint cache could not be saved: %1").arg(error->localizedDescription());
}

bool ManagerCore::withManager(const std::function<void(SourceNodeManager &)> &step)
{
    bool ran = false;
    MainThread::sync([&] {
        if (m_manager) {
            step(*m_manager);
            ran = true;
        }
    });
    return ran;
}

void ManagerCore::membersAboutToChange(const DupGroup &group, Change change, qsizetype position)
{
    if (m_manager)
        Q_EMIT m_manager->groupMembersAboutToChange(&group, change, position);
}

void ManagerCore::membersChanged(const DupGroup &group, Change change, qsizetype position)
{
    if (m_manager)
        Q_EMIT m_manager->groupMembersChanged(&group, change, position);
}

void ManagerCore::requestThumbnail(const DupGroup::Ptr &group)
{
    if (!rules.load()->rules().thumbnails)
        return;
    const QList<MyTreeNode::Ptr> members = group->childs();
    if (members.isEmpty())
        return;
    // The task holds only weak references: a group or a manager dropped meanwhile is not kept alive.
    const std::weak_ptr<DupGroup> weakGroup = group;
    const std::weak_ptr<ManagerCore> weakCore = weak_from_this();
    const Url url = members.first()->FileURL();
    SourceNodeManager::thumbnailQueue().async([weakGroup, weakCore, url] {
        const auto picture = FileManagerProxy::sharedInstance().iconForURL_withFlag_withSize(url, 2, 150);
        const DupGroup::Ptr group = weakGroup.lock();
        if (!group)
            return;
        group->setFileImage(picture);
        MainThread::async([weakCore, group] {
            const std::shared_ptr<ManagerCore> core = weakCore.lock();
            if (core && core->m_manager)
                Q_EMIT core->m_manager->groupPictureChanged(group.get());
        });
    });
}

void ManagerCore::statusChanged()
{
    if (MainThread::isCurrent()) {
        emitStatusChanged();
        return;
    }
    // A scan moves on with every file; the main thread hears of it at most every few frames and then
    // shows wherever the scan is by then.
    if (m_statusNotificationPending.exchange(true))
        return;
    MainThread::async([weakCore = weak_from_this()] {
        const std::shared_ptr<ManagerCore> core = weakCore.lock();
        if (!core || !core->m_manager) {
            if (core)
                core->m_statusNotificationPending = false;
            return;
        }
        core->emitStatusChanged();
        QTimer::singleShot(statusNotificationInterval, core->m_manager, [weakCore] {
            if (const std::shared_ptr<ManagerCore> core = weakCore.lock()) {
                core->m_statusNotificationPending = false;
                core->emitStatusChanged();
            }
        });
    });
}

void ManagerCore::emitStatusChanged()
{
    if (m_manager)
        Q_EMIT m_manager->statBarStringChanged();
}
