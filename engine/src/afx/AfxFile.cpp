#include "afx/AfxFile.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <new>
#include <string>

// ---------------------------------------------------------------------------
// Runtime class records

const CRuntimeClass CObject::classCObject = {"CObject", nullptr};
const CRuntimeClass CFile::classCFile = {"CFile", &CObject::classCObject};

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const {
    for (const CRuntimeClass* p = this; p; p = p->m_pBaseClass)
        if (p == pBaseClass)
            return TRUE;
    return FALSE;
}

const CRuntimeClass* CObject::GetRuntimeClass() const { return &classCObject; }

// ---------------------------------------------------------------------------
// CFileIo

namespace {

// Reads a small decimal number from a sysfs file; 0 when it cannot.
DWORD ReadSysfsNumber(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    char text[32] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (n <= 0)
        return 0;
    unsigned long value = 0;
    if (std::sscanf(text, "%lu", &value) != 1 || value > 0xFFFFFFFFul)
        return 0;
    return static_cast<DWORD>(value);
}

} // namespace

long long CFileIo::Read(int fd, void* buffer, std::size_t count) {
    ssize_t n;
    do {
        n = ::read(fd, buffer, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

long long CFileIo::Seek(int fd, long long offset, int whence) {
    return ::lseek(fd, offset, whence);
}

DWORD CFileIo::GetSectorSize(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return 0;
    const dev_t dev = S_ISBLK(st.st_mode) ? st.st_rdev : st.st_dev;
    if (major(dev) == 0) // tmpfs, FUSE, proc, ...: no block device behind
        return 0;
    const std::string dir =
        "/sys/dev/block/" + std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
    // A partition's folder has a "partition" file and no queue/; the queue
    // belongs to the whole disk, its parent.
    const bool partition = ::access((dir + "/partition").c_str(), F_OK) == 0;
    return ReadSysfsNumber(dir + (partition ? "/../queue/logical_block_size"
                                            : "/queue/logical_block_size"));
}

CFileIo& CFileIo::System() {
    static CFileIo io;
    return io;
}

// ---------------------------------------------------------------------------
// Share table: this process's opens and their share modes, checked as Windows
// checks the handles of one file against each other. It is the one piece of
// state that engine calls on different threads share, so it has a lock.

namespace {

struct ShareEntry {
    std::size_t key;
    dev_t dev;
    ino_t ino;
    bool reads, writes;
    bool deniesRead, deniesWrite;
};

class CShareTable {
public:
    // Adds an open unless it conflicts with one already there; returns its
    // key, or 0 on a conflict.
    std::size_t Enter(const ShareEntry& wanted) {
        std::lock_guard lock(m_mutex);
        for (const ShareEntry& e : m_entries) {
            if (e.dev != wanted.dev || e.ino != wanted.ino)
                continue;
            if ((wanted.writes && e.deniesWrite) || (wanted.reads && e.deniesRead) ||
                (wanted.deniesWrite && e.writes) || (wanted.deniesRead && e.reads))
                return 0;
        }
        ShareEntry entry = wanted;
        entry.key = ++m_lastKey;
        m_entries.push_back(entry);
        return entry.key;
    }

    void Leave(std::size_t key) {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_entries, [key](const ShareEntry& e) { return e.key == key; });
    }

private:
    std::mutex m_mutex;
    std::vector<ShareEntry> m_entries;
    std::size_t m_lastKey = 0;
};

CShareTable& ShareTable() {
    static CShareTable table;
    return table;
}

enum class LeaseAnswer { granted, refused, unavailable };

// Asks for a lease of `type` and gives it back at once: a held lease would
// delay other openers and bring a signal. Refused means another opener holds
// the file in a way the lease does not allow.
LeaseAnswer ProbeLease(int fd, int type) {
    if (::fcntl(fd, F_SETLEASE, type) != 0)
        return errno == EAGAIN ? LeaseAnswer::refused : LeaseAnswer::unavailable;
    if (::fcntl(fd, F_SETLEASE, F_UNLCK) != 0)
        return LeaseAnswer::unavailable;
    return LeaseAnswer::granted;
}

CStringW FullPathOf(const CStringW& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(ToUtf8(path), ec);
    if (ec)
        return path;
    return FromUtf8(full.lexically_normal().string());
}

} // namespace

// ---------------------------------------------------------------------------
// CFile

CFile::CFile() = default;

CFile::~CFile() {
    if (m_hFile != hFileNull && m_bCloseOnDelete)
        CloseHandle();
}

const CRuntimeClass* CFile::GetRuntimeClass() const { return &classCFile; }

ULONGLONG CFile::GetPosition() const {
    const off_t pos = ::lseek(m_hFile, 0, SEEK_CUR);
    if (pos < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<ULONGLONG>(pos);
}

CStringW CFile::GetFileName() const {
    const std::size_t slash = m_strFileName.rfind(u'/');
    return slash == CStringW::npos ? m_strFileName : m_strFileName.substr(slash + 1);
}

CStringW CFile::GetFileTitle() const {
    CStringW name = GetFileName();
    const std::size_t dot = name.rfind(u'.');
    if (dot != CStringW::npos && dot != 0)
        name.resize(dot);
    return name;
}

CStringW CFile::GetFilePath() const { return m_strFileName; }

void CFile::SetFilePath(const CStringW& strNewName) { m_strFileName = strNewName; }

BOOL CFile::Open(const char16_t* pszFileName, UINT nOpenFlags, CFileException* pError) {
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.clear();

    const CStringW path = pszFileName ? CStringW(pszFileName) : CStringW();
    int fd = hFileNull;
    auto fail = [&](int cause, int osError) {
        if (fd != hFileNull)
            ::close(fd);
        if (pError) {
            pError->m_cause = cause;
            pError->m_lOsError = osError;
            pError->m_strFileName = path;
        }
        return FALSE;
    };

    if (path.size() >= MAX_PATH)
        return fail(CFileException::badPath, ENAMETOOLONG);

    int flags = O_CLOEXEC | O_NOCTTY;
    const UINT access = nOpenFlags & 3;
    switch (access) {
    case modeRead:
        flags |= O_RDONLY;
        break;
    case modeWrite:
        flags |= O_WRONLY;
        break;
    case modeReadWrite:
        flags |= O_RDWR;
        break;
    default:
        return fail(CFileException::genericException, EINVAL);
    }
    if (nOpenFlags & modeCreate)
        flags |= O_CREAT; // never O_TRUNC: truncation waits for the share checks

    const std::string native = ToUtf8(path);
    do {
        fd = ::open(native.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno;
        return fail(CFileException::OsErrorToCause(error), error);
    }

    struct stat st;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        return fail(CFileException::OsErrorToCause(error), error);
    }
    if (S_ISDIR(st.st_mode))
        return fail(CFileException::accessDenied, EISDIR);

    const UINT share = nOpenFlags & 0x70;
    ShareEntry entry{};
    entry.dev = st.st_dev;
    entry.ino = st.st_ino;
    entry.reads = access != modeWrite;
    entry.writes = access != modeRead;
    entry.deniesRead = share == shareExclusive || share == shareDenyRead;
    entry.deniesWrite = share == shareExclusive || share == shareDenyWrite;
    const std::size_t key = ShareTable().Enter(entry);
    if (key == 0)
        return fail(CFileException::sharingViolation, EBUSY);

    // Other processes: a read lease cannot be had while anyone holds the file
    // open for writing; a write lease while anyone holds it open at all.
    if (S_ISREG(st.st_mode) && (entry.deniesWrite || entry.deniesRead)) {
        LeaseAnswer answer = LeaseAnswer::unavailable;
        if (access == modeRead && entry.deniesWrite)
            answer = ProbeLease(fd, F_RDLCK);
        else if (access != modeRead && share == shareExclusive)
            answer = ProbeLease(fd, F_WRLCK);
        if (answer == LeaseAnswer::refused) {
            ShareTable().Leave(key);
            return fail(CFileException::sharingViolation, EAGAIN);
        }
    }

    if ((nOpenFlags & modeCreate) && !(nOpenFlags & modeNoTruncate) && S_ISREG(st.st_mode) &&
        ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ShareTable().Leave(key);
        return fail(CFileException::OsErrorToCause(error), error);
    }

    m_hFile = fd;
    m_nShareEntry = key;
    m_bCloseOnDelete = TRUE;
    m_strFileName = FullPathOf(path);
    return TRUE;
}

std::unique_ptr<CFile> CFile::Duplicate() const {
    const int fd = ::fcntl(m_hFile, F_DUPFD_CLOEXEC, 0);
    if (fd < 0)
        CFileException::ThrowOsError(errno, m_strFileName);
    auto copy = std::make_unique<CFile>();
    copy->m_hFile = fd;
    copy->m_bCloseOnDelete = m_bCloseOnDelete;
    copy->m_strFileName = m_strFileName;
    return copy;
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    static const int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
    if (nFrom > end)
        throw CInvalidArgException();
    const off_t pos = ::lseek(m_hFile, lOff, kWhence[nFrom]);
    if (pos < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    return static_cast<ULONGLONG>(pos);
}

void CFile::SetLength(ULONGLONG dwNewLen) {
    if (::ftruncate(m_hFile, static_cast<off_t>(dwNewLen)) != 0)
        CFileException::ThrowOsError(errno, m_strFileName);
}

ULONGLONG CFile::GetLength() const {
    struct stat st;
    if (::fstat(m_hFile, &st) != 0)
        CFileException::ThrowOsError(errno, m_strFileName);
    if (S_ISBLK(st.st_mode)) {
        std::uint64_t size = 0;
        if (::ioctl(m_hFile, BLKGETSIZE64, &size) != 0)
            CFileException::ThrowOsError(errno, m_strFileName);
        return size;
    }
    return static_cast<ULONGLONG>(st.st_size);
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    if (nCount == 0)
        return 0;
    ssize_t n;
    do {
        n = ::read(m_hFile, lpBuf, nCount);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        CFileException::ThrowOsError(errno, m_strFileName);
    return static_cast<UINT>(n);
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    const auto* p = static_cast<const BYTE*>(lpBuf);
    while (nCount > 0) {
        const ssize_t n = ::write(m_hFile, p, nCount);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            CFileException::ThrowOsError(errno, m_strFileName);
        }
        if (n == 0)
            throw CFileException(CFileException::diskFull, ENOSPC, m_strFileName);
        p += n;
        nCount -= static_cast<UINT>(n);
    }
}

namespace {

void SetRangeLock(int fd, short type, ULONGLONG pos, ULONGLONG count, const CStringW& name) {
    struct flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = static_cast<off_t>(pos);
    lock.l_len = static_cast<off_t>(count);
    if (::fcntl(fd, F_SETLK, &lock) != 0) {
        const int error = errno;
        if (error == EAGAIN || error == EACCES)
            throw CFileException(CFileException::lockViolation, error, name);
        CFileException::ThrowOsError(error, name);
    }
}

} // namespace

void CFile::LockRange(ULONGLONG dwPos, ULONGLONG dwCount) {
    SetRangeLock(m_hFile, F_WRLCK, dwPos, dwCount, m_strFileName);
}

void CFile::UnlockRange(ULONGLONG dwPos, ULONGLONG dwCount) {
    SetRangeLock(m_hFile, F_UNLCK, dwPos, dwCount, m_strFileName);
}

int CFile::CloseHandle() {
    int error = 0;
    if (m_hFile != hFileNull && ::close(m_hFile) != 0)
        error = errno;
    m_hFile = hFileNull;
    if (m_nShareEntry != 0)
        ShareTable().Leave(m_nShareEntry);
    m_nShareEntry = 0;
    return error;
}

void CFile::Abort() { CloseHandle(); }

void CFile::Flush() {
    if (m_hFile == hFileNull)
        return;
    // Files that cannot be synchronised (pipes, some devices) have nothing to flush.
    if (::fsync(m_hFile) != 0 && errno != EINVAL && errno != EROFS)
        CFileException::ThrowOsError(errno, m_strFileName);
}

void CFile::Close() {
    const CStringW name = m_strFileName;
    const int error = CloseHandle();
    m_bCloseOnDelete = FALSE;
    m_strFileName.clear();
    if (error != 0)
        CFileException::ThrowOsError(error, name);
}

UINT CFile::GetBufferPtr(UINT, UINT, void**, void**) {
    return 0; // plain files have no buffer of their own
}

// ---------------------------------------------------------------------------
// CByteArray

void CByteArray::SetSize(std::size_t nNewSize) {
    try {
        m_data.resize(nNewSize, 0);
    } catch (const std::bad_alloc&) {
        throw CMemoryException();
    } catch (const std::length_error&) {
        throw CMemoryException();
    }
}
