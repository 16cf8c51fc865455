#include "FileEx.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

const CRuntimeClass CFileEx::classCFileEx = {"CFileEx", &CFile::classCFile};

CFileEx::CFileEx(CFileIo& io)
    : m_io(io), m_pCache(new BYTE[2 * WINDOW_SIZE]),
      m_pWindowA(new CacheWindow{m_pCache.get(), WINDOW_SIZE, 0, 0}),
      m_pWindowB(new CacheWindow{m_pCache.get() + WINDOW_SIZE, WINDOW_SIZE, 0, 0}) {}

CFileEx::~CFileEx() = default;

const CRuntimeClass* CFileEx::GetRuntimeClass() const { return &classCFileEx; }

void CFileEx::SetPosition(ULONGLONG pos) {
    if (pos != m_nPosition)
        m_bEndReached = FALSE;
    m_nPosition = pos;
}

BOOL CFileEx::Open(const char16_t* pszFileName, UINT nOpenFlags, CFileException* pError) {
    m_bEndReached = FALSE;
    m_nPosition = 0;
    if (!CFile::Open(pszFileName, nOpenFlags, pError))
        return FALSE;
    const DWORD sectorSize = m_io.GetSectorSize(m_hFile);
    m_nSectorSize = sectorSize != 0 ? sectorSize : DEFAULT_SECTOR_SIZE;
    return TRUE;
}

std::unique_ptr<CFile> CFileEx::Duplicate() const { throw CNotSupportedException(); }

ULONGLONG CFileEx::Seek(LONGLONG lOff, UINT nFrom) {
    const auto offset = static_cast<ULONGLONG>(lOff);
    switch (nFrom) {
    case begin:
        SetPosition(offset);
        break;
    case current:
        SetPosition(m_nPosition + offset);
        break;
    case end: {
        const long long length = m_io.Seek(m_hFile, 0, SEEK_END);
        if (length < 0)
            throw CFileException(CFileException::badSeek, errno, m_strFileName);
        SetPosition(static_cast<ULONGLONG>(length) + offset);
        break;
    }
    default:
        break;
    }
    return m_nPosition;
}

void CFileEx::SetLength(ULONGLONG dwNewLen) {
    if (m_io.Seek(m_hFile, static_cast<long long>(dwNewLen), SEEK_SET) < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    CFile::SetLength(dwNewLen);
    m_bEndReached = FALSE;
    m_nPosition = 0;
}

void CFileEx::Write(const void* lpBuf, UINT nCount) {
    if (nCount == 0)
        return;
    if (m_io.Seek(m_hFile, static_cast<long long>(m_nPosition), SEEK_SET) < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    auto syncPosition = [this] {
        const long long pos = m_io.Seek(m_hFile, 0, SEEK_CUR);
        if (pos >= 0)
            SetPosition(static_cast<ULONGLONG>(pos));
    };
    try {
        CFile::Write(lpBuf, nCount);
    } catch (...) {
        syncPosition();
        throw;
    }
    syncPosition();
}

void CFileEx::LockRange(ULONGLONG, ULONGLONG) { throw CNotSupportedException(); }

void CFileEx::UnlockRange(ULONGLONG, ULONGLONG) { throw CNotSupportedException(); }

void CFileEx::Abort() {
    CFile::Abort();
    m_bEndReached = FALSE;
}

void CFileEx::Flush() {
    if (m_io.Seek(m_hFile, static_cast<long long>(m_nPosition), SEEK_SET) < 0)
        throw CFileException(CFileException::badSeek, errno, m_strFileName);
    CFile::Flush();
}

void CFileEx::Close() {
    CFile::Close();
    m_bEndReached = FALSE;
}

UINT CFileEx::Read(void* lpBuf, UINT nCount) {
    if (nCount == 0)
        return 0;
    auto* dest = static_cast<BYTE*>(lpBuf);
    UINT remaining = nCount;
    while (remaining != 0) {
        CacheWindow* window = m_pWindowA->Holds(m_nPosition)   ? m_pWindowA.get()
                              : m_pWindowB->Holds(m_nPosition) ? m_pWindowB.get()
                                                               : nullptr;
        if (window) {
            const ULONGLONG offset = m_nPosition - window->nStart;
            const UINT n =
                static_cast<UINT>(std::min<ULONGLONG>(remaining, window->nCount - offset));
            std::memcpy(dest, window->pData + offset, n);
            dest += n;
            m_nPosition += n;
            remaining -= n;
        } else if (remaining <= m_nWindowSize) {
            if (FillWindow() == 0)
                break;
        } else {
            const DWORD direct = remaining - remaining % m_nWindowSize;
            const DWORD got = ReadSectors(direct, dest);
            dest += got;
            m_nPosition += got;
            remaining -= got;
            if (got < direct)
                break;
        }
    }
    m_bEndReached = remaining != 0;
    return nCount - remaining;
}

DWORD CFileEx::FillWindow() {
    CacheWindow& a = *m_pWindowA;
    CacheWindow& b = *m_pWindowB;
    CacheWindow* chosen;
    if (!a.IsLoaded()) {
        chosen = &a;
    } else if (!b.IsLoaded()) {
        chosen = &b;
    } else {
        // Keep a window that starts before the position over one that starts
        // at or after it; of two behind it, replace the one further behind.
        const bool aBehind = a.nStart < m_nPosition;
        const bool bBehind = b.nStart < m_nPosition;
        if (aBehind && bBehind)
            chosen = a.nStart < b.nStart ? &a : &b;
        else if (!aBehind && bBehind)
            chosen = &a;
        else
            chosen = &b;
    }
    chosen->nStart = m_nPosition;
    chosen->nCount = ReadSectors(chosen->nSize, chosen->pData);
    return chosen->nCount;
}

CFileEx::SpanResult CFileEx::ReadSpanOrZero(BYTE* dest, DWORD length, DWORD& nRead) {
    nRead = 0;
    if (length == 0)
        return SpanResult::read;
    const long long n = m_io.Read(m_hFile, dest, length);
    if (n >= 0) {
        nRead = static_cast<DWORD>(n);
        return SpanResult::read;
    }
    std::memset(dest, 0, length);
    nRead = length;
    return m_io.Seek(m_hFile, length, SEEK_CUR) < 0 ? SpanResult::zeroedStuck
                                                     : SpanResult::zeroed;
}

DWORD CFileEx::ReadSectors(DWORD count, BYTE* dest) {
    if (count == 0)
        return 0;
    if (m_io.Seek(m_hFile, static_cast<long long>(m_nPosition), SEEK_SET) < 0)
        return 0;

    const DWORD sector = m_nSectorSize;
    const DWORD misalign = static_cast<DWORD>(m_nPosition % sector);
    const DWORD head = misalign == 0 ? 0 : std::min(sector - misalign, count);
    const DWORD whole = (count - head) / sector;
    const DWORD tail = (count - head) % sector;

    DWORD total = 0;
    DWORD n = 0;
    SpanResult result = ReadSpanOrZero(dest, head, n);
    if (head > 0 && result == SpanResult::read && n == 0)
        return 0; // end of file
    total += n;
    dest += n;
    if (result == SpanResult::zeroedStuck)
        return total;

    for (DWORD i = 0; i < whole; ++i) {
        result = ReadSpanOrZero(dest, sector, n);
        if (result == SpanResult::read && n == 0)
            return total; // end of file
        total += n;
        dest += n;
        if (result == SpanResult::zeroedStuck)
            return total;
    }

    ReadSpanOrZero(dest, tail, n);
    return total + n;
}
