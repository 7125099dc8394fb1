#include "platform/ReadDepth.h"

#include "platform/OnAllCores.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

#include <sys/sysmacros.h>

#include <algorithm>
#include <array>

namespace ReadDepth {

namespace {

// Drivers of paravirtual disks, which report rotating whatever the host stores them on.
const std::array virtualDiskDrivers = {QStringLiteral("virtio_blk"), QStringLiteral("vbd")};

bool isRotatingDisk(const QString &sysfsRoot, quint64 device)
{
    const QString node = QStringLiteral("%1/dev/block/%2:%3")
                             .arg(sysfsRoot)
                             .arg(::major(dev_t(device)))
                             .arg(::minor(dev_t(device)));
    QString disk = QFileInfo(node).canonicalFilePath();
    if (disk.isEmpty())
        return false;
    // A partition's queue and driver are its disk's.
    if (QFileInfo::exists(disk + QStringLiteral("/partition")))
        disk = QFileInfo(disk).path();
    QFile rotational(disk + QStringLiteral("/queue/rotational"));
    if (!rotational.open(QIODevice::ReadOnly) || rotational.read(1) != "1")
        return false;
    const QString driver = QFileInfo(QFileInfo(disk + QStringLiteral("/device/driver")).symLinkTarget()).fileName();
    return std::find(virtualDiskDrivers.begin(), virtualDiskDrivers.end(), driver) == virtualDiskDrivers.end();
}

} // namespace

int readersOn(quint64 device, const QString &sysfsRoot, int cores)
{
    return isRotatingDisk(sysfsRoot, device) ? cores : std::max(cores, parallelReaders);
}

int readersOn(quint64 device)
{
    static QMutex mutex;
    static QHash<quint64, int> known;
    const QMutexLocker locker(&mutex);
    auto readers = known.constFind(device);
    if (readers == known.constEnd())
        readers = known.insert(device, readersOn(device, QStringLiteral("/sys"), coreCount()));
    return *readers;
}

} // namespace ReadDepth
