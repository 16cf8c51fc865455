// The library's two exported entry points. Nothing is thrown across them.
#include <cstring>

#include "Brevik.h"
#include "Communicator.h"
#include "DBFFile5.h"

#define BREVIK_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

CStringW CopyText(const BrevikChar* text) { return text ? CStringW(text) : CStringW(); }

// Runs one pass. Failures before the pass is guarded (the copy buffer or the
// reader's cache cannot be allocated) end the call with 0 and no message.
int RunPass(const BrevikChar* pszSource, const BrevikChar* pszDest, EngineCallback pfnCallback,
            uintptr_t nUserData) {
    try {
        const CCommunicator comm(pfnCallback, nUserData);
        CDBFFile5 pass(&comm);
        const CStringW dest = CopyText(pszDest);
        const CStringW source = CopyText(pszSource);
        return pass.Repair(source, dest) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // namespace

BREVIK_EXPORT int ProcessDBFFileEx(const ProcessParams* maskedParams) {
    if (!maskedParams)
        return 0;
    ProcessParams params;
    std::memcpy(&params, maskedParams, sizeof params);
    BrevikMaskParams(&params);
    return RunPass(params.pszSource, params.pszDest, params.pfnCallback, params.nUserData);
}

BREVIK_EXPORT int ProcessDBFFile(const BrevikChar* pszSource, const BrevikChar* pszDest) {
    return RunPass(pszSource, pszDest, nullptr, 0);
}
