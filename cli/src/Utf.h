// Conversions between the UTF-8 of the command line and the terminal and the UTF-16 texts of the
// engine.
#ifndef VORN_RECOVER_UTF_H
#define VORN_RECOVER_UTF_H

#include <optional>
#include <string>
#include <string_view>

namespace vorn {

// Decodes strict UTF-8 (no overlong forms, no encoded surrogates, nothing above U+10FFFF, no cut
// sequences) into UTF-16. Returns nothing when `text` is not valid UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

// Encodes UTF-16 as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

} // namespace vorn

#endif
