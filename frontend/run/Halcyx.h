// Binding of the recovery engine: the argument record, its masking, and the
// UTF-16 path buffers the worker hands to the engine.
#pragma once

#include <QString>

#include "Brevik.h"

// Longest path, in UTF-16 units, that reaches the engine; a longer one
// reaches it as the empty text.
constexpr int ENGINE_PATH_MAX = 256;

// A path as the engine receives it: at most ENGINE_PATH_MAX units and a NUL.
struct TEnginePath {
    char16_t Data[ENGINE_PATH_MAX + 1];
};

// Fills `ABuffer` with `APath`, or with the empty text when the path needs
// more than ENGINE_PATH_MAX units.
void ToEnginePath(const QString& APath, TEnginePath& ABuffer);

// Builds the argument record from the six words in their order, masks it and
// calls ProcessDBFFileEx; returns the engine's result unchanged. The texts,
// `ResultWord` and whatever `UserData` points to must stay valid until the
// call returns. Runs the whole pass on the calling thread.
int CallEngine(const char16_t* Source, int32_t* ResultWord, uintptr_t Reserved,
               const char16_t* Dest, EngineCallback Callback, void* UserData);
