#include "EngineTestUtil.h"



namespace enginetest {

intptr_t Recorder::Callback(int32_t code, const void* arg, uintptr_t nUserData) {
    auto* self = reinterpret_cast<Recorder*>(nUserData);
    Message m{code, {}, 0};
    switch (code) {
    case MSG_PROGRESS:
        m.number = *static_cast<const uint8_t*>(arg);
        break;
    case MSG_OUTPUT_SIZE:
        m.number = *static_cast<const uint64_t*>(arg);
        break;
    default:
        m.text = static_cast<const char16_t*>(arg);
        break;
    }
    self->messages.push_back(m);
    return self->result;
}

std::vector<int32_t> Recorder::Codes() const {
    std::vector<int32_t> codes;
    for (const Message& m : messages)
        codes.push_back(m.code);
    return codes;
}

std::string Recorder::Summary() const {
    std::string out;
    for (const Message& m : messages) {
        if (!out.empty())
            out += ", ";
        switch (m.code) {
        case MSG_PROGRESS:
            out += "PROGRESS " + std::to_string(m.number);
            break;
        case MSG_OUTPUT_SIZE:
            out += "SIZE " + std::to_string(m.number);
            break;
        case MSG_SOURCE_FILE:
            out += "SOURCE";
            break;
        case MSG_LOG_TEXT:
            out += "LOG";
            break;
        case MSG_LOG_ERROR:
            out += "LOGERROR";
            break;
        case MSG_SHOW_ERROR:
            out += "SHOWERROR";
            break;
        default:
            out += "CODE " + std::to_string(m.code);
        }
    }
    return out;
}

std::u16string Recorder::TextOf(int32_t code) const {
    for (const Message& m : messages)
        if (m.code == code)
            return m.text;
    return u"<none>";
}

int CallEngine(const std::string& source, const std::string& dest, Recorder* recorder,
               uintptr_t reserved1, uintptr_t reserved2) {
    const std::u16string src16 = toUtf16(source);
    const std::u16string dst16 = toUtf16(dest);
    ProcessParams params{};
    params.pszSource = src16.c_str();
    params.nReserved1 = reserved1;
    params.nReserved2 = reserved2;
    params.pszDest = dst16.c_str();
    params.pfnCallback = recorder ? &Recorder::Callback : nullptr;
    params.nUserData = reinterpret_cast<uintptr_t>(recorder);
    BrevikMaskParams(&params);
    return ProcessDBFFileEx(&params);
}

std::vector<unsigned char> WithMagic(std::vector<unsigned char> data) {
    if (data.size() < 32)
        data.resize(32, 0);
    data[28] = 0x7D, data[29] = 0x7C, data[30] = 0x7B, data[31] = 0x7A;
    return data;
}

} // namespace enginetest
