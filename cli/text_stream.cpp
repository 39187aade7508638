#include "cli/text_stream.h"

#include <cerrno>
#include <unistd.h>

namespace cli {

int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return written < 0 ? errno : EIO;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

void DescriptorText::Write(std::string_view text) {
    if (good_) {
        error_ = WriteAll(fd_, text);
        good_ = error_ == 0;
    }
}

} // namespace cli
