#pragma once

#include <QString>
#include <QtGlobal>

// How many reads of one storage device to keep in flight at once.
//
// A solid-state disk answers many requests at once, and so does the disk of a virtual machine: a
// cold tree of small files read by sixteen readers took under a third of the time it took read one
// file after another. A rotating disk pays a seek between requests, so it gets one reader per core,
// which the digests need anyway. The kernel says which disks rotate, but virtual disks (virtio, Xen)
// claim to rotate whatever lies behind them, so they count as parallel. So does anything that is not
// a block device of its own: tmpfs, network and FUSE file systems, btrfs subvolumes.
namespace ReadDepth {

inline constexpr int parallelReaders = 16;

// The readers for the file system whose st_dev is device, remembered per device.
int readersOn(quint64 device);

// The same without memory, looking in sysfsRoot instead of /sys.
int readersOn(quint64 device, const QString &sysfsRoot, int cores);

} // namespace ReadDepth
