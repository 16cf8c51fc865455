#include "ProgressLine.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace vorn {
namespace {

constexpr std::size_t kBarWidth = 16;

// Estimates beyond this many seconds (99:59:59) are shown as unknown.
constexpr double kMaxSecondsLeft = 359999;

} // namespace

std::uint64_t BytesDoneAfterChunks(std::uint64_t chunks, std::uint64_t total) {
    const std::uint64_t maxChunks = (total - std::min(total, kHeaderSize)) / kChunkSize;
    if (chunks > maxChunks)
        return total;
    return std::min(total, kHeaderSize + chunks * kChunkSize);
}

std::string FormatCount(std::uint64_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string FormatBytes(std::uint64_t bytes) {
    if (bytes < 1024)
        return std::to_string(bytes) + " B";
    static constexpr std::array<const char*, 6> kUnits = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    double value = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    // Move up while the value would print as 1024.0 or more.
    while (value >= 1023.95 && unit + 1 < kUnits.size()) {
        value /= 1024.0;
        ++unit;
    }
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.1f %s", value, kUnits[unit]);
    return text.data();
}

std::string FormatDuration(std::uint64_t seconds) {
    std::array<char, 48> text{};
    const std::uint64_t hours = seconds / 3600;
    const unsigned minutes = static_cast<unsigned>(seconds / 60 % 60);
    const unsigned secs = static_cast<unsigned>(seconds % 60);
    if (hours == 0)
        std::snprintf(text.data(), text.size(), "%u:%02u", minutes, secs);
    else
        std::snprintf(text.data(), text.size(), "%llu:%02u:%02u",
                      static_cast<unsigned long long>(hours), minutes, secs);
    return text.data();
}

std::string FormatProgressLine(const ProgressSnapshot& snapshot) {
    const unsigned percent = std::min(snapshot.percent, 100u);
    const std::size_t filled = percent * kBarWidth / 100;

    double rate = 0;
    if (snapshot.elapsedSeconds > 0)
        rate = static_cast<double>(snapshot.done) / snapshot.elapsedSeconds;
    std::string left = "--:--";
    if (rate > 0) {
        const std::uint64_t remaining = snapshot.total - std::min(snapshot.total, snapshot.done);
        const double seconds = std::ceil(static_cast<double>(remaining) / rate);
        if (seconds <= kMaxSecondsLeft)
            left = FormatDuration(static_cast<std::uint64_t>(seconds));
    }

    std::array<char, 160> text{};
    std::snprintf(text.data(), text.size(), "%3u%% [%s%s] %s of %s  %s/s  %s left", percent,
                  std::string(filled, '#').c_str(), std::string(kBarWidth - filled, ' ').c_str(),
                  FormatBytes(snapshot.done).c_str(), FormatBytes(snapshot.total).c_str(),
                  FormatBytes(static_cast<std::uint64_t>(rate)).c_str(), left.c_str());
    return text.data();
}

} // namespace vorn
