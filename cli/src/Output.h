// Unbuffered output to the standard descriptors.
#ifndef VORN_RECOVER_OUTPUT_H
#define VORN_RECOVER_OUTPUT_H

#include <string_view>

namespace vorn {

// Writes all of `text` to `fd`, retrying after interruptions and partial writes. Returns false
// when the descriptor refuses it.
bool WriteAll(int fd, std::string_view text);

} // namespace vorn

#endif
