// CCommunicator holds a call's callback; every message of the engine goes
// through Send.
#pragma once

#include "Brevik.h"

class CCommunicator {
public:
    CCommunicator(EngineCallback pfnCallback, uintptr_t nUserData)
        : pfnCallback(pfnCallback), nUserData(nUserData) {}
    virtual ~CCommunicator() = default;

    // Calls the callback synchronously with `code` and `arg`, or does nothing
    // when there is none. The callback's result is ignored.
    void Send(int32_t code, const void* arg) const;

    EngineCallback pfnCallback;
    uintptr_t nUserData;
};
