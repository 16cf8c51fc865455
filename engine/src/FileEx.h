// CFileEx: the file class through which a damaged source is read.
//
// Reading never fails because the medium fails. Every physical read covers at
// most one sector; a span whose read fails arrives as zeros, counts as read,
// and reading goes on behind it. The object keeps its own 64-bit logical
// position and sets the descriptor's offset from it before every run of
// physical reads. Requests of up to 64 KiB are served from two 64 KiB windows
// of one 128 KiB cache; larger ones go straight into the caller's buffer in
// whole multiples of 64 KiB, only the remainder passing through a window.
//
// One thread at a time; no locks.
#pragma once

#include <memory>

#include "afx/AfxFile.h"

// One 64 KiB window of the cache.
struct CacheWindow {
    BYTE* pData;      // first byte of the window inside the cache, fixed
    DWORD nSize;      // capacity
    ULONGLONG nStart; // file offset of the window's first byte
    DWORD nCount;     // valid bytes loaded, 0 to nSize

    BOOL IsLoaded() const { return pData && nSize && nCount; }
    BOOL Holds(ULONGLONG pos) const {
        return IsLoaded() && nStart <= pos && pos < nStart + nCount;
    }
};

class CFileEx : public CFile {
public:
    static constexpr DWORD WINDOW_SIZE = 65536;
    static constexpr DWORD DEFAULT_SECTOR_SIZE = 512;

    // `io` makes the physical reads and the descriptor's offset moves; it
    // must outlive the object.
    explicit CFileEx(CFileIo& io = CFileIo::System());
    ~CFileEx() override;

    const CRuntimeClass* GetRuntimeClass() const override;
    ULONGLONG GetPosition() const override { return m_nPosition; }
    // Opens as CFile::Open does, then takes the sector size of the volume
    // that holds the file (DEFAULT_SECTOR_SIZE when it cannot be found).
    BOOL Open(const char16_t* pszFileName, UINT nOpenFlags,
              CFileException* pError = nullptr) override;
    // Not supported: throws CNotSupportedException.
    std::unique_ptr<CFile> Duplicate() const override;
    // Moves the logical position only (from `end` asks the OS for the
    // length). Any other `nFrom` leaves it unchanged. The sum is taken modulo
    // 2^64.
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    // Sets the end of the file and the logical position to 0.
    void SetLength(ULONGLONG dwNewLen) override;
    // Delivers up to `nCount` bytes at the logical position; fewer only at
    // the end of the file or when the descriptor's offset cannot be set.
    // Unreadable spans arrive as zeros. Never throws.
    UINT Read(void* lpBuf, UINT nCount) override;
    // Writes through at the logical position, bypassing the windows.
    void Write(const void* lpBuf, UINT nCount) override;
    // Not supported: throw CNotSupportedException.
    void LockRange(ULONGLONG dwPos, ULONGLONG dwCount) override;
    void UnlockRange(ULONGLONG dwPos, ULONGLONG dwCount) override;
    void Abort() override;
    void Flush() override;
    void Close() override;

    // 1 when the last Read delivered fewer bytes than asked.
    virtual BOOL IsEndReached() const { return m_bEndReached; }

    DWORD GetSectorSize() const { return m_nSectorSize; }
    const CacheWindow& GetWindowA() const { return *m_pWindowA; }
    const CacheWindow& GetWindowB() const { return *m_pWindowB; }

    static const CRuntimeClass classCFileEx;

private:
    // Loads one window at the logical position; returns the bytes loaded.
    DWORD FillWindow();
    // Reads `count` bytes at the logical position into `dest` with
    // sector-sized physical reads; returns the bytes delivered, failed spans
    // included. Does not move the logical position.
    DWORD ReadSectors(DWORD count, BYTE* dest);
    enum class SpanResult {
        read,      // the OS read succeeded; 0 bytes means the end of the file
        zeroed,    // the read failed: the span is zeros and was skipped
        zeroedStuck // as zeroed, but the offset could not be moved past it
    };
    // One physical read of `length` bytes at the descriptor's offset. A
    // failure zero-fills the span, counts it as read and moves the offset
    // past it. `nRead` receives the bytes delivered.
    SpanResult ReadSpanOrZero(BYTE* dest, DWORD length, DWORD& nRead);
    void SetPosition(ULONGLONG pos);

    CFileIo& m_io;
    BOOL m_bEndReached = FALSE;
    std::unique_ptr<BYTE[]> m_pCache;
    DWORD m_nWindowSize = WINDOW_SIZE;
    std::unique_ptr<CacheWindow> m_pWindowA;
    std::unique_ptr<CacheWindow> m_pWindowB;
    ULONGLONG m_nPosition = 0;
    DWORD m_nSectorSize = DEFAULT_SECTOR_SIZE;
};
