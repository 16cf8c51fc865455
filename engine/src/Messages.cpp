#include "Messages.h"

#include <algorithm>
#include <vector>

#include "StringTable.h"

void SendStringMessage(const CCommunicator& comm, int32_t code, UINT id) {
    const CStringW text = LoadEngineString(id);
    comm.Send(code, text.c_str());
}

void SendFormattedMessage(const CCommunicator& comm, int32_t code, UINT id,
                          std::initializer_list<std::u16string_view> args) {
    const CStringW text = FormatString(LoadEngineString(id), args);
    comm.Send(code, text.c_str());
}

CStringW GetExceptionText(const CException& e, UINT id) {
    std::vector<char16_t> buffer(EXCEPTION_TEXT_CAPACITY, 0);
    if (!e.GetErrorMessage(buffer.data(), EXCEPTION_TEXT_CAPACITY)) {
        const std::u16string_view fallback = u"No error message is available.";
        const std::size_t n = std::min<std::size_t>(fallback.size(), EXCEPTION_TEXT_CAPACITY - 1);
        std::copy_n(fallback.data(), n, buffer.data());
        buffer[n] = 0;
    }
    buffer.back() = 0;
    return FormatString(LoadEngineString(id), {std::u16string_view(buffer.data())});
}
