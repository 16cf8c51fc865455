// Text of the progress bar and the byte counts the program prints.
#ifndef VORN_RECOVER_PROGRESS_LINE_H
#define VORN_RECOVER_PROGRESS_LINE_H

#include <cstdint>
#include <string>

namespace vorn {

// The engine copies a 32-byte header and then the rest in chunks of this size, sending one
// progress message after each full chunk.
inline constexpr std::uint64_t kHeaderSize = 32;
inline constexpr std::uint64_t kChunkSize = 4194304;

// Bytes of a source of `total` bytes that are copied once `chunks` full chunks were reported.
std::uint64_t BytesDoneAfterChunks(std::uint64_t chunks, std::uint64_t total);

// 10485760 -> "10,485,760".
std::string FormatCount(std::uint64_t value);

// A size in binary units with one decimal: "512 B", "1.5 KiB", "10.0 MiB", "1.0 GiB".
std::string FormatBytes(std::uint64_t bytes);

// A duration in whole seconds as "M:SS" under an hour, else "H:MM:SS".
std::string FormatDuration(std::uint64_t seconds);

struct ProgressSnapshot {
    unsigned percent = 0;      // the engine's figure
    std::uint64_t done = 0;    // bytes copied so far
    std::uint64_t total = 0;   // length of the source
    double elapsedSeconds = 0; // since the copy began
};

// One line of the bar, without line end, at most 79 columns:
// " 40% [######          ] 4.0 MiB of 10.0 MiB  20.0 MiB/s  0:01 left".
// The rate is 0 and the time left "--:--" until some bytes were copied in a measurable time;
// an estimate above 99:59:59 is shown as "--:--" too.
std::string FormatProgressLine(const ProgressSnapshot& snapshot);

} // namespace vorn

#endif
