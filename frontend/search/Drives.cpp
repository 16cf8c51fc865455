#include "search/Drives.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <mntent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

namespace {

// Kernel interfaces and other file systems with no files of the user's.
constexpr std::string_view PseudoTypes[] = {
    "proc",       "sysfs",   "cgroup",     "cgroup2", "devpts",      "devtmpfs",
    "debugfs",    "tracefs", "securityfs", "pstore",  "bpf",         "configfs",
    "fusectl",    "mqueue",  "hugetlbfs",  "autofs",  "binfmt_misc", "efivarfs",
    "rpc_pipefs", "nsfs",    "selinuxfs",  "nfsd",    "rootfs",
};

constexpr std::string_view NetworkTypes[] = {
    "nfs",        "nfs4",           "cifs",      "smb3",        "smbfs",       "ncpfs",
    "afs",        "ceph",           "9p",        "glusterfs",   "lustre",      "davfs",
    "fuse.sshfs", "fuse.glusterfs", "fuse.s3fs", "fuse.rclone", "fuse.cephfs", "fuse.davfs2",
};

bool IsOneOf(std::string_view AType, const auto& AList) {
    return std::find(std::begin(AList), std::end(AList), AType) != std::end(AList);
}

// The block device that holds mount `AEntry`: the device its source names,
// else the device number of its mount point when that is a block device
// (a source such as "/dev/root" need not exist). Nothing for a file
// system without one.
std::optional<dev_t> BlockDeviceOf(const mntent& AEntry) {
    struct stat st;
    if (AEntry.mnt_fsname[0] == '/' && ::stat(AEntry.mnt_fsname, &st) == 0 && S_ISBLK(st.st_mode))
        return st.st_rdev;
    // A FUSE file system may hang when its server does not answer; one on a
    // block device names it as its source.
    if (std::string_view(AEntry.mnt_type).starts_with("fuse"))
        return std::nullopt;
    if (::stat(AEntry.mnt_dir, &st) != 0 || major(st.st_dev) == 0)
        return std::nullopt;
    const QString sysPath =
        QStringLiteral("/sys/dev/block/%1:%2").arg(major(st.st_dev)).arg(minor(st.st_dev));
    if (!QFileInfo::exists(sysPath))
        return std::nullopt;
    return st.st_dev;
}

// The kind of a block device, from its entry in /sys/dev/block: optical
// drives are named "sr"; a partition's disk is the parent of its entry,
// and the disk tells whether it is removable.
TDriveType BlockDeviceType(dev_t ADevice) {
    const QString entry =
        QFileInfo(QStringLiteral("/sys/dev/block/%1:%2").arg(major(ADevice)).arg(minor(ADevice)))
            .canonicalFilePath();
    if (entry.isEmpty())
        return TDriveType::Fixed;
    if (QFileInfo(entry).fileName().startsWith(QLatin1String("sr")))
        return TDriveType::CDRom;
    const QString disk =
        QFileInfo::exists(entry + QLatin1String("/partition")) ? QFileInfo(entry).path() : entry;
    QFile removable(disk + QLatin1String("/removable"));
    if (removable.open(QIODevice::ReadOnly) && removable.read(1) == "1")
        return TDriveType::Removable;
    return TDriveType::Fixed;
}

// The kind of drive of mount `AEntry`; nothing for a pseudo file system.
std::optional<TDriveType> DriveTypeOf(const mntent& AEntry) {
    const std::string_view type = AEntry.mnt_type;
    if (IsOneOf(type, PseudoTypes))
        return std::nullopt;
    if (type == "tmpfs" || type == "ramfs")
        return TDriveType::RamDisk;
    if (IsOneOf(type, NetworkTypes))
        return TDriveType::Remote;
    if (type == "iso9660" || type == "udf")
        return TDriveType::CDRom;
    if (const auto device = BlockDeviceOf(AEntry))
        return BlockDeviceType(*device);
    return TDriveType::Unknown;
}

// Closes a mount table at destruction.
class TMountTable {
public:
    explicit TMountTable(const QString& APath)
        : FFile(::setmntent(QFile::encodeName(APath).constData(), "r")) {}
    ~TMountTable() {
        if (FFile != nullptr)
            ::endmntent(FFile); // always returns 1
    }
    TMountTable(const TMountTable&) = delete;
    TMountTable& operator=(const TMountTable&) = delete;

    FILE* Get() const { return FFile; }

private:
    FILE* FFile;
};

} // namespace

QList<TLogicalDrive> GetLogicalDrives(const QString& AMountTable) {
    QList<TLogicalDrive> drives;
    const TMountTable table(AMountTable);
    if (table.Get() == nullptr)
        return drives;
    QSet<QString> seen;
    // Room for the fields before the options; getmntent_r drops the rest of a longer line.
    std::vector<char> line(16384);
    mntent entry;
    while (::getmntent_r(table.Get(), &entry, line.data(), int(line.size())) != nullptr) {
        const auto type = DriveTypeOf(entry);
        if (!type)
            continue;
        const QString root = QFile::decodeName(entry.mnt_dir);
        if (seen.contains(root))
            continue;
        seen.insert(root);
        drives.append({root, *type});
    }
    return drives;
}

QString GetLocalHardDrives(const QString& AMountTable) {
    QString roots;
    for (const TLogicalDrive& drive : GetLogicalDrives(AMountTable))
        if (drive.Type == TDriveType::Fixed)
            roots += drive.Root + u';';
    return roots;
}
