// The engine's exception classes. Engine code throws them by value and the
// recovery pass catches them by reference at its own boundary; none ever
// leaves the library.
#pragma once

#include "afx/AfxString.h"
#include "afx/AfxTypes.h"

class CException {
public:
    virtual ~CException() = default;

    // Writes the exception's message into `buffer` (at most `maxChars` - 1
    // characters and a NUL; a longer message is cut). Returns FALSE, with an
    // empty buffer, when the exception has no message of its own.
    virtual BOOL GetErrorMessage(char16_t* buffer, UINT maxChars) const;

protected:
    // Copies `text` the way GetErrorMessage promises.
    static BOOL CopyMessage(std::u16string_view text, char16_t* buffer, UINT maxChars);
};

// An exception whose message is one fixed text.
class CSimpleException : public CException {
public:
    BOOL GetErrorMessage(char16_t* buffer, UINT maxChars) const override;

protected:
    explicit CSimpleException(const char16_t* text) : m_pszText(text) {}

private:
    const char16_t* m_pszText;
};

class CMemoryException : public CSimpleException {
public:
    CMemoryException() : CSimpleException(u"Out of memory.") {}
};

class CNotSupportedException : public CSimpleException {
public:
    CNotSupportedException() : CSimpleException(u"Attempted an unsupported operation.") {}
};

class CInvalidArgException : public CSimpleException {
public:
    CInvalidArgException() : CSimpleException(u"Encountered an improper argument.") {}
};

class CResourceException : public CSimpleException {
public:
    CResourceException() : CSimpleException(u"A required resource was unavailable.") {}
};

class CUserException : public CSimpleException {
public:
    CUserException() : CSimpleException(u"An unknown error has occurred.") {}
};

// A failed file operation: the cause, the OS error number (errno, -1 when
// none) and the file's name.
class CFileException : public CException {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    CFileException() = default;
    CFileException(int cause, long osError, CStringW fileName)
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

    // The text for the cause with "%1" replaced by the file name, or by "an
    // unnamed file" when the name is empty. Causes outside 0 to 14 read as 1.
    BOOL GetErrorMessage(char16_t* buffer, UINT maxChars) const override;
    CStringW GetMessageText() const;

    // The cause for an errno value.
    static int OsErrorToCause(int error);

    // Throws a CFileException for `error` (an errno value) on `fileName`.
    [[noreturn]] static void ThrowOsError(int error, const CStringW& fileName);

    int m_cause = none;
    long m_lOsError = -1;
    CStringW m_strFileName;
};
