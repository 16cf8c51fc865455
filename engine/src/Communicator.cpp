#include "Communicator.h"

void CCommunicator::Send(int32_t code, const void* arg) const {
    if (pfnCallback)
        pfnCallback(code, arg, nUserData);
}
