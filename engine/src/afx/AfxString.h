// The engine's string type: UTF-16 text, converted to UTF-8 only where a path
// meets the operating system.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

using CStringW = std::u16string;

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// UTF-8 to UTF-16. A malformed sequence becomes U+FFFD.
CStringW FromUtf8(std::string_view text);

// printf-style formatting restricted to what the engine's texts use: each
// "%s" takes the next argument (an empty text once they run out) and "%%"
// gives "%". Any other "%" sequence is copied as it stands.
CStringW FormatString(std::u16string_view format, std::initializer_list<std::u16string_view> args);
