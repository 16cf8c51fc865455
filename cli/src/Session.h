// What the program makes of the engine's messages during one recovery pass.
#ifndef VORN_RECOVER_SESSION_H
#define VORN_RECOVER_SESSION_H

#include "Brevik.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace vorn {

// Log texts go to `outFd`, error texts to `errFd`. When `drawProgress` is set, a progress bar
// is drawn on `errFd` from the moment both files are open until the engine's last progress
// message, redrawn in place and ended with a newline; texts printed meanwhile appear above it.
class Session {
public:
    Session(int outFd, int errFd, bool drawProgress, std::uint64_t sourceSize);

    // The engine callback; `userData` is the address of a Session.
    static intptr_t Callback(int32_t code, const void* arg, uintptr_t userData) noexcept;

    // Prints the number of bytes the engine reported as written.
    void PrintWrittenSize();

    // Writes `text` to the error descriptor, above the bar if one is shown.
    void PrintError(std::string_view text);

    bool ErrorReported() const { return errorReported_; }
    // A message could not be printed in full (the descriptor refused it or memory ran out).
    bool OutputFailed() const { return outputFailed_; }

private:
    enum class Phase { Opening, Copying, Done };

    void Handle(int32_t code, const void* arg);
    void OnProgress(unsigned percent);
    void PrintLine(int fd, std::string_view text);
    void DrawBar();
    void Write(int fd, std::string_view text);

    int outFd_;
    int errFd_;
    bool drawProgress_;
    std::uint64_t sourceSize_;

    bool errorReported_ = false;
    bool outputFailed_ = false;
    std::u16string lastLogError_;
    std::uint64_t written_ = 0;
    bool sizeReceived_ = false;

    Phase phase_ = Phase::Opening;
    unsigned percent_ = 0;
    std::uint64_t chunks_ = 0;
    std::uint64_t done_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::string bar_; // the line on screen, empty when none
};

} // namespace vorn

#endif
