#include "cli/text_stream.h"

#include <cerrno>
#include <unistd.h>

namespace cli {

void DescriptorText::Write(std::string_view text) {
    while (good_ && !text.empty()) {
        const ssize_t written = write(fd_, text.data(), text.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            good_ = false;
            error_ = written < 0 ? errno : 0;
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace cli
