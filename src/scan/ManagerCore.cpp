#include "scan/ManagerCore.h"

#include "fs/FileManagerProxy.h"
#include "platform/MainThread.h"
#include "platform/SerialQueue.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "scan/SourceNodeManager.h"

#include <QTimer>

#include <chrono>

namespace {

constexpr std::chrono::milliseconds statusNotificationInterval{50};

void untie(const MyTreeNode::Ptr &node)
{
    node->setDupGroup(nullptr);
    node->setRootNode(nullptr);
}

} // namespace

ManagerCore::ManagerCore(SourceNodeManager *manager)
    : groups([this](const DupGroup::Ptr &group) { requestThumbnail(group); }),
      status([this] { statusChanged(); }), m_manager(manager)
{
}

ManagerCore::~ManagerCore()
{
    // Nodes and their groups and sources refer to each other; break those cycles so all is freed.
    for (const GroupStore::Bucket &bucket : groups.buckets()) {
        for (const DupGroup::Ptr &group : bucket) {
            for (const MyTreeNode::Ptr &node : group->childs())
                untie(node);
        }
    }
    for (const RootNode::Ptr &root : std::as_const(m_departedRoots)) {
        for (const MyTreeNode::Ptr &node : root->allFiles().toList())
            untie(node);
    }
    for (const QList<MyTreeNode::Ptr> &record : std::as_const(m_departedUndoArray)) {
        for (const MyTreeNode::Ptr &node : record)
            untie(node);
    }
}

void ManagerCore::detach(QList<RootNode::Ptr> roots, QList<QList<MyTreeNode::Ptr>> undoArray)
{
    m_manager = nullptr;
    m_departedRoots = std::move(roots);
    m_departedUndoArray = std::move(undoArray);
}

Url ManagerCore::undoPath() const
{
    std::lock_guard lock(m_undoPathMutex);
    return m_undoPath;
}

void ManagerCore::setUndoPath(const Url &path)
{
    std::lock_guard lock(m_undoPathMutex);
    m_undoPath = path;
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
    if (!UserDefaults::standard().boolForKey(SettingsKeys::createThumbnail))
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
