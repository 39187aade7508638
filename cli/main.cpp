#include "cli/convert_command.h"
#include "cli/text_stream.h"

#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// Whether descriptor `fd` is open for writing.
bool Writable(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_ACCMODE) != O_RDONLY;
}

// Opens /dev/null on standard descriptors that are closed, so no file this run opens takes their
// number and receives what was meant for them.
void FillClosedStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (fcntl(fd, F_GETFD) < 0) {
            const int null = open("/dev/null", O_RDWR);
            if (null >= 0 && null != fd) {
                close(null);
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    // A standard output that is closed (or open for reading only) is refused before any work,
    // not after it, by a run that would write there.
    const bool stdoutWritable = Writable(STDOUT_FILENO);
    FillClosedStandardDescriptors();
    cli::DescriptorText out(STDOUT_FILENO, stdoutWritable);
    cli::DescriptorText err(STDERR_FILENO);
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    return cli::RunConvert(args, out, err);
}
