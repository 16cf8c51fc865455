#include "afx/AfxException.h"

#include <algorithm>
#include <cerrno>

BOOL CException::GetErrorMessage(char16_t* buffer, UINT maxChars) const {
    if (buffer && maxChars > 0)
        buffer[0] = 0;
    return FALSE;
}

BOOL CException::CopyMessage(std::u16string_view text, char16_t* buffer, UINT maxChars) {
    if (!buffer || maxChars == 0)
        return FALSE;
    const std::size_t n = std::min<std::size_t>(text.size(), maxChars - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = 0;
    return TRUE;
}

BOOL CSimpleException::GetErrorMessage(char16_t* buffer, UINT maxChars) const {
    return CopyMessage(m_pszText, buffer, maxChars);
}

namespace {

const char16_t* const kCauseTexts[] = {
    u"No error occurred.",
    u"An unknown error occurred while accessing %1.",
    u"%1 was not found.",
    u"%1 contains an incorrect path.",
    u"Could not open %1 because there are too many open files.",
    u"Access to %1 was denied.",
    u"An incorrect file handle was associated with %1.",
    u"Could not remove %1 because it is the current directory.",
    u"Could not create %1 because the directory is full.",
    u"Seek failed on %1",
    u"Encountered a hardware I/O error while accessing %1.",
    u"Encountered a sharing violation while accessing %1.",
    u"Encountered a locking violation while accessing %1.",
    u"Disk full while accessing %1.",
    u"Attempted to access %1 past its end.",
};

} // namespace

CStringW CFileException::GetMessageText() const {
    const int cause = (m_cause >= none && m_cause <= endOfFile) ? m_cause : genericException;
    const std::u16string_view pattern = kCauseTexts[cause];
    const CStringW name = m_strFileName.empty() ? CStringW(u"an unnamed file") : m_strFileName;
    CStringW text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] == u'1') {
            text += name;
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

BOOL CFileException::GetErrorMessage(char16_t* buffer, UINT maxChars) const {
    return CopyMessage(GetMessageText(), buffer, maxChars);
}

int CFileException::OsErrorToCause(int error) {
    switch (error) {
    case ENOENT:
        return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
        return badPath;
    case EMFILE:
    case ENFILE:
        return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: // a folder opened as a file is refused as access denied
        return accessDenied;
    case EBADF:
        return invalidFile;
    case EIO:
        return hardIO;
    case ETXTBSY:
    case EBUSY:
        return sharingViolation;
    case ENOSPC:
    case EDQUOT:
        return diskFull;
    default:
        return genericException;
    }
}

void CFileException::ThrowOsError(int error, const CStringW& fileName) {
    throw CFileException(OsErrorToCause(error), error, fileName);
}
