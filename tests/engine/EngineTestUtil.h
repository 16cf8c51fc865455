// What the engine's tests share: a callback that records every message, a
// call of the masked entry point, and the bytes every copy is expected to hold.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Brevik.h"
#include "TestSupport.h"

namespace enginetest {

using namespace testsupport;

// One message as the callback saw it: the code and its argument, copied.
struct Message {
    int32_t code;
    std::u16string text; // for the text messages
    uint64_t number;     // MSG_PROGRESS percentage, MSG_OUTPUT_SIZE bytes
};

// Records every message it is called with. `result` is what the callback
// returns to the engine, which must not matter.
struct Recorder {
    std::vector<Message> messages;
    intptr_t result = 0;

    static intptr_t Callback(int32_t code, const void* arg, uintptr_t nUserData);

    std::vector<int32_t> Codes() const;
    // The messages in a short readable form for failure output, e.g.
    // "PROGRESS 0, SOURCE, LOG, PROGRESS 40, SIZE 10485760, PROGRESS 100".
    std::string Summary() const;
    std::u16string TextOf(int32_t code) const; // first message with `code`
};

// Calls ProcessDBFFileEx with a masked record for `source` and `dest`.
int CallEngine(const std::string& source, const std::string& dest, Recorder* recorder,
               uintptr_t reserved1 = 0, uintptr_t reserved2 = 0);

// `data` with bytes 28 to 31 set to the header magic, as every copy has them.
std::vector<unsigned char> WithMagic(std::vector<unsigned char> data);

} // namespace enginetest
