// The file classes of the engine's platform layer: CObject with its runtime
// class record, CFile over a POSIX file descriptor, the OS-call seam CFileIo,
// and CByteArray.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "afx/AfxException.h"

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;

    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;
};

class CObject {
public:
    virtual const CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = default;
    virtual void Serialize() {}

    static const CRuntimeClass classCObject;
};

// The operating-system calls through which CFileEx reads: read(2), lseek(2)
// and the volume's sector size. Tests substitute their own to make chosen
// reads fail and to watch what was asked. Implementations must be usable from
// whatever thread runs the reader that holds them.
class CFileIo {
public:
    virtual ~CFileIo() = default;

    // As read(2): bytes read, 0 at the end of the file, -1 with errno set.
    virtual long long Read(int fd, void* buffer, std::size_t count);
    // As lseek(2): the new offset, or -1 with errno set.
    virtual long long Seek(int fd, long long offset, int whence);
    // Logical block size of the block device that holds the open file `fd`
    // (of the device itself for a block-device node); 0 when it cannot be
    // found, as on tmpfs or FUSE, which have no block device.
    virtual DWORD GetSectorSize(int fd);

    // The process-wide instance that makes the real system calls.
    static CFileIo& System();
};

class CFile : public CObject {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
    };
    enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };
    static constexpr int hFileNull = -1;

    CFile();
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Virtual operations, in slot order after CObject's.
    const CRuntimeClass* GetRuntimeClass() const override;
    virtual ULONGLONG GetPosition() const;
    virtual CStringW GetFileName() const;
    virtual CStringW GetFileTitle() const;
    virtual CStringW GetFilePath() const;
    virtual void SetFilePath(const CStringW& strNewName);

    // Opens `pszFileName` (UTF-16) with CFile::OpenFlags. On failure returns
    // FALSE and, when `pError` is given, fills it with the cause, the errno
    // value and the path as given. A path of MAX_PATH units or more is a bad
    // path. Share modes are emulated (Linux has none):
    //  - opens of one file by this process are checked against each other's
    //    share modes, as Windows checks handles, so a file open with
    //    shareDenyWrite cannot also be opened for writing, by any path;
    //  - denying writers to a read open fails when another process holds the
    //    file open for writing (a read lease cannot be had);
    //  - shareExclusive on a write open fails when anyone else holds the file
    //    open (a write lease cannot be had);
    //  - where leases are not allowed (not the owner, a file system without
    //    them) the file opens normally.
    // modeCreate without modeNoTruncate truncates, but only after every check
    // passed. Folders are refused with accessDenied.
    virtual BOOL Open(const char16_t* pszFileName, UINT nOpenFlags,
                      CFileException* pError = nullptr);
    virtual std::unique_ptr<CFile> Duplicate() const;
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    virtual void SetLength(ULONGLONG dwNewLen);
    virtual ULONGLONG GetLength() const;
    virtual UINT Read(void* lpBuf, UINT nCount);
    // Writes all `nCount` bytes or throws; a write that stores fewer bytes
    // than asked throws with the diskFull cause.
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual void LockRange(ULONGLONG dwPos, ULONGLONG dwCount);
    virtual void UnlockRange(ULONGLONG dwPos, ULONGLONG dwCount);
    virtual void Abort();
    // Flushes the file's data to the medium (fsync).
    virtual void Flush();
    virtual void Close();
    virtual UINT GetBufferPtr(UINT nCommand, UINT nCount = 0, void** ppBufStart = nullptr,
                              void** ppBufMax = nullptr);

    ULONGLONG SeekToBegin() { return Seek(0, begin); }
    int GetHandle() const { return m_hFile; }

    static const CRuntimeClass classCFile;

protected:
    // Closes the descriptor and leaves the share table; returns the errno of
    // a failing close(2), else 0.
    int CloseHandle();

    int m_hFile = hFileNull;
    BOOL m_bCloseOnDelete = FALSE;
    CStringW m_strFileName; // full path of the open file

private:
    std::size_t m_nShareEntry = 0; // 0: not in the share table
};

// A growable array of bytes. SetSize clears new elements to zero and throws
// CMemoryException when the memory cannot be had.
class CByteArray : public CObject {
public:
    void SetSize(std::size_t nNewSize);
    std::size_t GetSize() const { return m_data.size(); }
    BYTE* GetData() { return m_data.data(); }
    const BYTE* GetData() const { return m_data.data(); }

private:
    std::vector<BYTE> m_data;
};
