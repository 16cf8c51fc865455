// CDBFFile5: one recovery pass over one datafile.
//
// The source is copied to the destination through CFileEx, so an unreadable
// sector arrives as zeros at its own offset; bytes 28 to 31 of the copy are
// forced to the header magic. Progress, the log text, the written size and
// every failure are reported through the call's communicator.
#pragma once

#include "Communicator.h"
#include "afx/AfxFile.h"

class CFileType {
public:
    virtual ~CFileType() = default;
};

// Options of a pass; the datafile pass has none to consult.
class COptions {
public:
    virtual ~COptions() = default;
};

class CDBFFile5 : public CFileType {
public:
    static constexpr DWORD HEADER_SIZE = 32;
    // The 32-bit field at offset 28 of the header, little-endian on disk:
    // file bytes 28 to 31 are 7D 7C 7B 7A.
    static constexpr DWORD HEADER_MAGIC = 0x7A7B7C7D;
    static constexpr DWORD HEADER_MAGIC_OFFSET = 28;
    static constexpr DWORD COPY_CHUNK_SIZE = 4194304;

    // Allocates the zeroed copy buffer (throws CMemoryException when it
    // cannot). `pCommunicator` must outlive the object; `io` is what the
    // source reader reads through.
    explicit CDBFFile5(const CCommunicator* pCommunicator, CFileIo& io = CFileIo::System());
    ~CDBFFile5() override = default;

    // Runs the pass. Returns TRUE when at least one byte was written to the
    // destination. Never throws: every failure becomes a pair of error texts.
    BOOL Repair(const CStringW& strSource, const CStringW& strDest);

private:
    void Send(int32_t code, const void* arg) const { m_pCommunicator->Send(code, arg); }
    // Sends the error pair for a failed source open.
    void ReportOpenFailure(const CFileException& error, CStringW& strError) const;
    // Sends the error pair for an exception caught in the guarded part.
    void ReportException(const CException* pError) const;

    const CCommunicator* m_pCommunicator;
    COptions m_options;
    CByteArray m_buffer;
    CFileIo& m_io;
};
