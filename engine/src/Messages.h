// Building the engine's texts and sending them through a call's communicator.
#pragma once

#include "Communicator.h"
#include "afx/AfxException.h"

// Capacity, in UTF-16 units with the NUL, of the buffer an exception's
// message is fetched into; longer messages are cut to one less.
constexpr UINT EXCEPTION_TEXT_CAPACITY = 4096;

// Sends the engine string `id` unchanged with `code`.
void SendStringMessage(const CCommunicator& comm, int32_t code, UINT id);

// Formats the engine string `id` with `args` and sends it with `code`. The
// text is built even when the communicator has no callback.
void SendFormattedMessage(const CCommunicator& comm, int32_t code, UINT id,
                          std::initializer_list<std::u16string_view> args);

// The engine string `id` formatted with the exception's message (cut to
// EXCEPTION_TEXT_CAPACITY - 1 units), or with "No error message is
// available." when it has none.
CStringW GetExceptionText(const CException& e, UINT id);
