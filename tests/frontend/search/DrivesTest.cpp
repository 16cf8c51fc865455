// The logical drives from a mount table, and the local hard drives of the
// search among them.
#include "search/Drives.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <mntent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

using TDrives = std::vector<std::pair<std::string, TDriveType>>;

TDrives DrivesOf(const QString& AMountTable) {
    TDrives drives;
    for (const TLogicalDrive& drive : GetLogicalDrives(AMountTable))
        drives.emplace_back(drive.Root.toStdString(), drive.Type);
    return drives;
}

void WriteText(const std::string& APath, const std::string& AText) {
    std::ofstream out(APath);
    out << AText;
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + APath);
}

std::string ReadText(const std::string& APath) {
    std::ifstream in(APath);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A block device of this machine on a disk that is not removable, as a
// mount source: the source of the file system of "/", when it is one.
std::string FixedBlockDevice() {
    FILE* table = ::setmntent("/proc/self/mounts", "r");
    if (table == nullptr)
        return {};
    std::string device;
    while (const mntent* entry = ::getmntent(table)) {
        struct stat st;
        if (std::string(entry->mnt_dir) != "/" || ::stat(entry->mnt_fsname, &st) != 0 ||
            !S_ISBLK(st.st_mode))
            continue;
        const std::string sys = "/sys/dev/block/" + std::to_string(major(st.st_rdev)) + ":" +
                                std::to_string(minor(st.st_rdev));
        struct stat partition;
        const std::string disk =
            ::stat((sys + "/partition").c_str(), &partition) == 0 ? sys + "/.." : sys;
        if (ReadText(disk + "/removable").starts_with("0"))
            device = entry->mnt_fsname;
    }
    ::endmntent(table); // always returns 1
    return device;
}

TEST(Drives, KindsFollowTheFileSystemTypeAndTheDisk) {
    const std::string device = FixedBlockDevice();
    if (device.empty())
        GTEST_SKIP() << "SKIPPED: \"/\" is not on a block device of a non-removable disk";
    const testsupport::TempDir dir;
    WriteText(dir / "mounts", "proc /proc proc rw,nosuid 0 0\n"
                              "sysfs /sys sysfs rw 0 0\n"
                              "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                              "tmpfs /run tmpfs rw,size=1024k 0 0\n"
                              "ramfs /mnt/ram ramfs rw 0 0\n"
                              "server:/export /mnt/nfs nfs4 rw 0 0\n"
                              "//server/share /mnt/smb cifs rw 0 0\n"
                              "user@host:/ /mnt/ssh fuse.sshfs rw 0 0\n"
                              "/dev/sr0 /media/cd iso9660 ro 0 0\n"
                              "overlay /merged overlay rw,lowerdir=/a 0 0\n" +
                                  device + " /mnt/data\\040disk ext4 rw 0 0\n" + device +
                                  " /mnt/data\\040disk ext4 ro 0 0\n" + device +
                                  " /home ext4 rw 0 0\n");
    const TDrives expected = {
        {"/run", TDriveType::RamDisk},    {"/mnt/ram", TDriveType::RamDisk},
        {"/mnt/nfs", TDriveType::Remote}, {"/mnt/smb", TDriveType::Remote},
        {"/mnt/ssh", TDriveType::Remote}, {"/media/cd", TDriveType::CDRom},
        {"/merged", TDriveType::Unknown}, {"/mnt/data disk", TDriveType::Fixed},
        {"/home", TDriveType::Fixed},
    };
    EXPECT_EQ(DrivesOf(QString::fromStdString(dir / "mounts")), expected);
    EXPECT_EQ(GetLocalHardDrives(QString::fromStdString(dir / "mounts")), "/mnt/data disk;/home;");
}

TEST(Drives, AMountPointOnABlockDeviceIsFixedWhateverItsSourceSays) {
    const std::string device = FixedBlockDevice();
    if (device.empty())
        GTEST_SKIP() << "SKIPPED: \"/\" is not on a block device of a non-removable disk";
    struct stat st;
    ASSERT_EQ(::stat("/", &st), 0);
    if (major(st.st_dev) == 0)
        GTEST_SKIP() << "SKIPPED: the file system of \"/\" has no device number of its disk";
    const testsupport::TempDir dir;
    WriteText(dir / "mounts", "/dev/root / ext4 rw 0 0\n");
    EXPECT_EQ(GetLocalHardDrives(QString::fromStdString(dir / "mounts")), "/;");
}

TEST(Drives, AMissingTableHasNoDrives) {
    const testsupport::TempDir dir;
    EXPECT_TRUE(GetLogicalDrives(QString::fromStdString(dir / "missing")).isEmpty());
    EXPECT_EQ(GetLocalHardDrives(QString::fromStdString(dir / "missing")), "");
}

TEST(Drives, TheMachinesTableLeavesOutPseudoFileSystemsAndListsEachMountPointOnce) {
    const TDrives drives = DrivesOf("/proc/self/mounts");
    std::vector<std::string> roots;
    for (const auto& [root, type] : drives)
        roots.push_back(root);
    EXPECT_NE(std::find(roots.begin(), roots.end(), "/"), roots.end());
    EXPECT_EQ(std::find(roots.begin(), roots.end(), "/proc"), roots.end());
    EXPECT_EQ(std::find(roots.begin(), roots.end(), "/sys"), roots.end());
    std::sort(roots.begin(), roots.end());
    EXPECT_EQ(std::adjacent_find(roots.begin(), roots.end()), roots.end());
    QString fixed;
    for (const auto& [root, type] : drives)
        if (type == TDriveType::Fixed)
            fixed += QString::fromStdString(root) + ";";
    EXPECT_EQ(GetLocalHardDrives(), fixed);
}

} // namespace
