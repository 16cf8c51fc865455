#include "Output.h"

#include <cerrno>
#include <unistd.h>

namespace vorn {

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

} // namespace vorn
