#include "Session.h"

#include "Output.h"
#include "ProgressLine.h"
#include "Utf.h"

#include <algorithm>

namespace vorn {
namespace {

// The bar is redrawn when the percentage changes, and at least this often for the rate.
constexpr std::chrono::seconds kRedrawInterval{1};

std::u16string_view TextOf(const void* arg) {
    return static_cast<const BrevikChar*>(arg);
}

} // namespace

Session::Session(int outFd, int errFd, bool drawProgress, std::uint64_t sourceSize)
    : outFd_(outFd), errFd_(errFd), drawProgress_(drawProgress), sourceSize_(sourceSize) {}

intptr_t Session::Callback(int32_t code, const void* arg, uintptr_t userData) noexcept {
    auto* session = reinterpret_cast<Session*>(userData);
    try {
        session->Handle(code, arg);
    } catch (...) {
        // Nothing may unwind through the engine; the run is reported as failed instead.
        session->outputFailed_ = true;
    }
    return 0;
}

void Session::Handle(int32_t code, const void* arg) {
    switch (code) {
    case MSG_PROGRESS:
        OnProgress(*static_cast<const std::uint8_t*>(arg));
        break;
    case MSG_LOG_TEXT:
        PrintLine(outFd_, Utf16ToUtf8(TextOf(arg)));
        if (drawProgress_ && phase_ == Phase::Opening) {
            phase_ = Phase::Copying;
            start_ = std::chrono::steady_clock::now();
            DrawBar();
        }
        break;
    case MSG_LOG_ERROR:
        errorReported_ = true;
        lastLogError_ = TextOf(arg);
        PrintLine(errFd_, Utf16ToUtf8(lastLogError_));
        break;
    case MSG_SHOW_ERROR:
        // Usually the same text as the log error just before it; print it only when it adds
        // something, such as the advice after a sharing violation.
        errorReported_ = true;
        if (TextOf(arg) != lastLogError_)
            PrintLine(errFd_, Utf16ToUtf8(TextOf(arg)));
        lastLogError_.clear();
        break;
    case MSG_OUTPUT_SIZE:
        written_ = *static_cast<const std::uint64_t*>(arg);
        sizeReceived_ = true;
        break;
    default:
        // MSG_SOURCE_FILE repeats the path the program was given.
        break;
    }
}

void Session::OnProgress(unsigned percent) {
    if (phase_ != Phase::Copying)
        return;
    const unsigned shown = percent_;
    percent_ = percent;
    if (sizeReceived_) {
        // The last message of the pass.
        done_ = std::min(written_, sourceSize_);
        phase_ = Phase::Done;
        DrawBar();
        Write(errFd_, "\n");
        bar_.clear();
        return;
    }
    done_ = BytesDoneAfterChunks(++chunks_, sourceSize_);
    if (percent != shown || std::chrono::steady_clock::now() - lastDraw_ >= kRedrawInterval)
        DrawBar();
}

void Session::DrawBar() {
    lastDraw_ = std::chrono::steady_clock::now();
    const ProgressSnapshot snapshot{percent_, done_, sourceSize_,
                                    std::chrono::duration<double>(lastDraw_ - start_).count()};
    std::string line = FormatProgressLine(snapshot);
    std::string out = "\r" + line;
    if (line.size() < bar_.size())
        out.append(bar_.size() - line.size(), ' ');
    Write(errFd_, out);
    bar_ = std::move(line);
}

void Session::PrintLine(int fd, std::string_view text) {
    if (!bar_.empty())
        Write(errFd_, "\r" + std::string(bar_.size(), ' ') + "\r");
    Write(fd, std::string(text) + "\n");
    if (!bar_.empty())
        Write(errFd_, bar_);
}

void Session::PrintWrittenSize() {
    PrintLine(outFd_, "Written: " + FormatCount(written_) + " bytes");
}

void Session::PrintError(std::string_view text) {
    PrintLine(errFd_, text);
}

void Session::Write(int fd, std::string_view text) {
    if (!WriteAll(fd, text))
        outputFailed_ = true;
}

} // namespace vorn
