#include "run/MainThread.h"

#include "run/Halcyx.h"

int32_t TMainThread::RunEngine(const QString& Source, const QString& Dest, int32_t* ResultWord) {
    TEnginePath source;
    TEnginePath dest;
    ToEnginePath(Source, source);
    ToEnginePath(Dest, dest);
    TVornMainThread* self = this; // alive for the whole call, as the callback needs
    return CallEngine(source.Data, ResultWord, 0, dest.Data, MainThreadCallback, &self);
}
