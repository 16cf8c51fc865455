#include "DBFFile5.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "FileEx.h"
#include "Messages.h"
#include "StringTable.h"

CDBFFile5::CDBFFile5(const CCommunicator* pCommunicator, CFileIo& io)
    : m_pCommunicator(pCommunicator), m_io(io) {
    m_buffer.SetSize(COPY_CHUNK_SIZE);
}

void CDBFFile5::ReportOpenFailure(const CFileException& error, CStringW& strError) const {
    strError = GetExceptionText(error, IDS_ERROR_OPEN);
    Send(MSG_LOG_ERROR, strError.c_str());
    if (error.m_cause == CFileException::sharingViolation)
        SendFormattedMessage(*m_pCommunicator, MSG_SHOW_ERROR, IDS_SHARE_VIOLATION,
                             {error.m_strFileName});
    else
        Send(MSG_SHOW_ERROR, strError.c_str());
}

void CDBFFile5::ReportException(const CException* pError) const {
    // Building the texts may itself run out of memory; the finishing
    // messages must go out all the same.
    try {
        if (pError) {
            const CStringW text = GetExceptionText(*pError, IDS_ERROR_GENERAL);
            Send(MSG_LOG_ERROR, text.c_str());
            Send(MSG_SHOW_ERROR, text.c_str());
        } else {
            const CStringW where = LoadEngineString(IDS_WHOLE_PROCESS);
            SendFormattedMessage(*m_pCommunicator, MSG_LOG_ERROR, IDS_ERROR_UNKNOWN, {where});
            SendFormattedMessage(*m_pCommunicator, MSG_SHOW_ERROR, IDS_ERROR_UNKNOWN, {where});
        }
    } catch (...) {
    }
}

BOOL CDBFFile5::Repair(const CStringW& strSource, const CStringW& strDest) {
    CFileEx source(m_io);
    CFile dest;
    CFileException fileError;
    CStringW strError;
    ULONGLONG written = 0;
    ULONGLONG readTotal = 0;
    ULONGLONG length = 0;
    BYTE percent = 0;
    Send(MSG_PROGRESS, &percent);

    try {
        Send(MSG_SOURCE_FILE, strSource.c_str());
        if (!source.Open(strSource.c_str(), CFile::modeRead | CFile::shareDenyWrite |
                                                CFile::typeBinary,
                         &fileError)) {
            ReportOpenFailure(fileError, strError);
        } else if (!dest.Open(strDest.c_str(), CFile::modeCreate | CFile::modeWrite |
                                                   CFile::shareExclusive | CFile::typeBinary)) {
            // Also where the destination is the source itself: the share
            // check refuses it before anything is truncated.
            source.Close();
        } else {
            SendStringMessage(*m_pCommunicator, MSG_LOG_TEXT, IDS_ANALYZING);
            source.Seek(0, CFile::begin);
            dest.SeekToBegin();
            length = source.GetLength();

            // Bytes past the end of a source shorter than the header stay 0.
            BYTE header[HEADER_SIZE] = {};
            source.Read(header, HEADER_SIZE);
            const BYTE magic[4] = {0x7D, 0x7C, 0x7B, 0x7A};
            static_assert(HEADER_MAGIC == (0x7Au << 24 | 0x7Bu << 16 | 0x7Cu << 8 | 0x7Du));
            std::memcpy(header + HEADER_MAGIC_OFFSET, magic, sizeof magic);
            dest.Write(header, HEADER_SIZE);
            written += HEADER_SIZE;
            readTotal = HEADER_SIZE;

            // A source that went away reads as zeros everywhere and never
            // comes up short, so no request goes past the length taken above.
            for (;;) {
                const ULONGLONG left = readTotal < length ? length - readTotal : 0;
                const UINT request = static_cast<UINT>(std::min<ULONGLONG>(COPY_CHUNK_SIZE, left));
                const UINT n = source.Read(m_buffer.GetData(), request);
                dest.Write(m_buffer.GetData(), n);
                written += n;
                readTotal += n;
                if (n < COPY_CHUNK_SIZE)
                    break;
                if (length != 0) {
                    const double ratio =
                        static_cast<double>(readTotal) * 100.0 / static_cast<double>(length);
                    percent = static_cast<BYTE>(static_cast<ULONGLONG>(ratio));
                    Send(MSG_PROGRESS, &percent);
                }
            }
            // What was written must be on the medium before success is reported.
            dest.Flush();
            dest.Close();
            source.Close();
        }
    } catch (const CException& e) {
        ReportException(&e);
    } catch (const std::bad_alloc&) {
        const CMemoryException e;
        ReportException(&e);
    } catch (...) {
        ReportException(nullptr);
    }

    Send(MSG_OUTPUT_SIZE, &written);
    percent = 100;
    Send(MSG_PROGRESS, &percent);
    return written != 0;
}
