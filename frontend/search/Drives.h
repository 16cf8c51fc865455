// The machine's "logical drives": the mounted file systems, each with the
// kind of drive it stands for.
#pragma once

#include <QList>
#include <QString>

// The kinds of drive, numbered as the drive types of the original platform.
enum class TDriveType : int {
    Unknown = 0,   // none of the kinds below (an overlay, a FUSE file system, ...)
    Removable = 2, // a block-device file system on a removable disk
    Fixed = 3,     // a block-device file system on a non-removable disk
    Remote = 4,    // a network file system
    CDRom = 5,     // iso9660 or udf, or a file system on an optical drive
    RamDisk = 6,   // tmpfs or ramfs
};

struct TLogicalDrive {
    QString Root; // the mount point
    TDriveType Type = TDriveType::Unknown;
};

// The mounted file systems of the mount table `AMountTable` (in the format
// of /proc/self/mounts), in table order, each mount point once (its first
// line). Pseudo file systems (proc, sysfs, cgroup, devpts, ...) are left
// out. Empty when the table cannot be read. Network file systems are
// classified by their type alone: nothing of theirs is touched.
QList<TLogicalDrive>
GetLogicalDrives(const QString& AMountTable = QStringLiteral("/proc/self/mounts"));

// The mount points of the fixed drives of `AMountTable`, in table order,
// each followed by ";" (for example "/;/home;"), for the search over the
// local hard drives.
QString GetLocalHardDrives(const QString& AMountTable = QStringLiteral("/proc/self/mounts"));
