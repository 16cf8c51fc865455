// The product's worker: converts the paths and calls the engine.
#pragma once

#include "run/VornMainThread.h"

class TMainThread : public TVornMainThread {
public:
    using TVornMainThread::TVornMainThread;

protected:
    int32_t RunEngine(const QString& Source, const QString& Dest, int32_t* ResultWord) override;
};
