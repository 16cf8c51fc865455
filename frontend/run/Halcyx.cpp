#include "run/Halcyx.h"

#include <algorithm>

void ToEnginePath(const QString& APath, TEnginePath& ABuffer) {
    const qsizetype n = APath.size() <= ENGINE_PATH_MAX ? APath.size() : 0;
    std::copy_n(reinterpret_cast<const char16_t*>(APath.utf16()), n, ABuffer.Data);
    ABuffer.Data[n] = 0;
}

int CallEngine(const char16_t* Source, int32_t* ResultWord, uintptr_t Reserved,
               const char16_t* Dest, EngineCallback Callback, void* UserData) {
    ProcessParams params;
    params.pszSource = Source;
    params.nReserved1 = reinterpret_cast<uintptr_t>(ResultWord);
    params.nReserved2 = Reserved;
    params.pszDest = Dest;
    params.pfnCallback = Callback;
    params.nUserData = reinterpret_cast<uintptr_t>(UserData);
    BrevikMaskParams(&params);
    return ProcessDBFFileEx(&params);
}
