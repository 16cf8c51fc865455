// Fixed-width names of the engine's platform types.
#pragma once

#include <cstdint>

using BOOL = int;
using BYTE = std::uint8_t;
using UINT = unsigned int;
using DWORD = std::uint32_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Paths of this many UTF-16 units or more are refused by CFile::Open.
constexpr std::size_t MAX_PATH = 260;
