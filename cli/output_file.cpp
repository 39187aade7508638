#include "cli/output_file.h"

#include "cli/printable.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace cli {

namespace {

std::string ErrnoText(int error = errno) {
    return std::strerror(error);
}

// Standard output. A stream that is already bad when the run starts is a standard output that
// is closed or open for reading only (see main), refused before any work.
class StreamOutput : public Output {
public:
    explicit StreamOutput(std::ostream& stream) : stream_(stream) {
        if (!stream_) {
            throw OutputError(
                "cannot write to standard output: it is closed or open for reading only");
        }
    }
    void Write(std::string_view text) override {
        // Out at once: a failure is seen where it happens, with its reason, and not in the
        // flush std::cerr makes of std::cout before each note.
        Check([&] {
            stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
            stream_.flush();
        });
    }
    void Flush() override {
        Check([&] { stream_.flush(); });
        if (!stream_) {
            throw OutputError("cannot write to standard output" +
                              (error_ != 0 ? ": " + ErrnoText(error_) : std::string()));
        }
    }
    void Commit() override { Flush(); }

private:
    // Runs a stream operation and keeps the reason of the write that failed first, if the
    // system gave one: the stream itself only knows that it failed.
    template <class Operation> void Check(Operation operation) {
        const bool good = static_cast<bool>(stream_);
        errno = 0;
        operation();
        if (good && !stream_) {
            error_ = errno;
        }
    }

    std::ostream& stream_;
    int error_ = 0;
};

// Buffered writes to a file descriptor.
class FdOutput : public Output {
public:
    FdOutput(int fd, std::string path) : fd_(fd), path_(std::move(path)) {
        buffer_.reserve(kBufferSize);
    }
    ~FdOutput() override {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FdOutput(const FdOutput&) = delete;
    FdOutput& operator=(const FdOutput&) = delete;

    void Write(std::string_view text) override {
        if (buffer_.size() + text.size() > kBufferSize) {
            Flush();
        }
        if (text.size() >= kBufferSize) {
            WriteAll(text);
        } else {
            buffer_ += text;
        }
    }
    void Flush() override {
        WriteAll(buffer_);
        buffer_.clear();
    }
    void Commit() override {
        Flush();
        const int fd = std::exchange(fd_, -1);
        if (close(fd) != 0) {
            throw OutputError("cannot write " + Printable(path_) + ": " + ErrnoText());
        }
    }

protected:
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

private:
    static constexpr std::size_t kBufferSize = 1 << 16;

    void WriteAll(std::string_view text) {
        while (!text.empty()) {
            const ssize_t written = write(fd_, text.data(), text.size());
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                throw OutputError("cannot write " + Printable(path_) + ": " + ErrnoText());
            }
            text.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    int fd_;
    std::string path_;
    std::string buffer_;
};

// The temporary file being written, for the handler of a signal that ends the run: it is
// removed, then the signal ends the process as it would have (status 128 + signal in the shell).
// One temporary file at a time.
char gTempPath[PATH_MAX];
volatile std::sig_atomic_t gHaveTemp = 0;
constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGTERM};

extern "C" void RemoveTempAndEnd(int signal) {
    if (gHaveTemp != 0) {
        unlink(gTempPath);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Blocks the ending signals while alive.
class EndingSignalsBlocked {
public:
    EndingSignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        for (int signal : kEndingSignals) {
            sigaddset(&set, signal);
        }
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~EndingSignalsBlocked() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
    EndingSignalsBlocked(const EndingSignalsBlocked&) = delete;
    EndingSignalsBlocked& operator=(const EndingSignalsBlocked&) = delete;

private:
    sigset_t old_;
};

// Installs RemoveTempAndEnd for the ending signals that still have their default action; one
// the process ignores (nohup) or handles itself is left alone.
void CatchEndingSignals() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    for (int signal : kEndingSignals) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = RemoveTempAndEnd;
        sigemptyset(&action.sa_mask);
        for (int other : kEndingSignals) {
            sigaddset(&action.sa_mask, other);
        }
        sigaction(signal, &action, nullptr);
    }
}

// Makes a temporary file from `pattern` (ending in XXXXXX) that an ending signal removes;
// returns its descriptor, or -1 with errno set.
int MakeTemp(std::string& pattern) {
    CatchEndingSignals();
    const EndingSignalsBlocked blocked;
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0 && pattern.size() < sizeof gTempPath) {
        std::memcpy(gTempPath, pattern.c_str(), pattern.size() + 1);
        gHaveTemp = 1;
    }
    return fd;
}

void ForgetTemp() {
    gHaveTemp = 0;
}

// A temporary file beside the target that is renamed over it on Commit.
class ReplacingOutput : public FdOutput {
public:
    ReplacingOutput(int fd, std::string temp, std::string target, mode_t mode)
        : FdOutput(fd, target), temp_(std::move(temp)), mode_(mode) {}
    ~ReplacingOutput() override {
        if (!committed_) {
            unlink(temp_.c_str());
            ForgetTemp();
        }
    }
    ReplacingOutput(const ReplacingOutput&) = delete;
    ReplacingOutput& operator=(const ReplacingOutput&) = delete;

    void Commit() override {
        Flush();
        if (fchmod(fd(), mode_) != 0) {
            throw OutputError("cannot set the permissions of " + Printable(path()) + ": " +
                              ErrnoText());
        }
        FdOutput::Commit();
        if (rename(temp_.c_str(), path().c_str()) != 0) {
            throw OutputError("cannot replace " + Printable(path()) + ": " + ErrnoText());
        }
        committed_ = true;
        ForgetTemp();
    }

private:
    std::string temp_;
    mode_t mode_;
    bool committed_ = false;
};

// Where a file not made yet would be: its folder resolved, then its name.
std::string PlaceOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    char* resolved = realpath(folder.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string place = resolved;
    std::free(resolved);
    return place + "/" + name;
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

// The descriptor of this process that `path` names, written as /dev/stdout (stdin, stderr),
// /dev/fd/N, or /proc/self/fd/N (thread-self, or this process's id, for self).
std::optional<int> OwnDescriptor(const std::string& path) {
    std::error_code error;
    const std::string name = std::filesystem::absolute(path, error).lexically_normal().string();
    if (error) {
        return std::nullopt;
    }
    static constexpr std::string_view kStandard[] = {"/dev/stdin", "/dev/stdout", "/dev/stderr"};
    for (int fd = 0; fd < 3; ++fd) {
        if (name == kStandard[fd]) {
            return fd;
        }
    }
    const std::string folders[] = {"/dev/fd/", "/proc/self/fd/", "/proc/thread-self/fd/",
                                   "/proc/" + std::to_string(getpid()) + "/fd/"};
    for (const std::string& folder : folders) {
        if (!name.starts_with(folder)) {
            continue;
        }
        const std::string_view number = std::string_view(name).substr(folder.size());
        if (number.empty() || number.size() > 9 ||
            number.find_first_not_of("0123456789") != std::string_view::npos) {
            return std::nullopt;
        }
        return std::stoi(std::string(number));
    }
    return std::nullopt;
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Refuses an output that is the file being read, by whatever name it was reached.
void RefuseInput(const struct stat& output, const std::string& path, const std::string& input) {
    struct stat info {};
    if (!input.empty() && stat(input.c_str(), &info) == 0 && SameFile(info, output)) {
        throw OutputError("output " + Printable(path) + " is the font file being read (" +
                          Printable(input) + "); give another file");
    }
}

// Writes in place to descriptor `fd` of this process, through a duplicate of it: appending when
// it was opened to append, never truncating. Standard output is `stream`.
std::unique_ptr<Output> DescriptorOutput(int fd, const std::string& path, std::ostream& stream,
                                         const std::string& input) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
    }
    RefuseInput(info, path, input);
    if (fd == STDOUT_FILENO) {
        return std::make_unique<StreamOutput>(stream);
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) {
        throw OutputError("cannot write " + Printable(path) + ": it is open for reading only");
    }
    const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (copy < 0) {
        throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
    }
    return std::make_unique<FdOutput>(copy, path);
}

// The file a new output replaces: a temporary file in `target`'s folder, renamed over it on
// Commit, with `mode`.
std::unique_ptr<Output> Replacement(const std::string& path, const std::string& target,
                                    mode_t mode) {
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw OutputError("cannot write " + Printable(path) + ": folder " + Printable(folder) +
                          " does not exist");
    }
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? "" : folder) + "." + name + ".XXXXXX";
    const int fd = MakeTemp(temp);
    if (fd < 0) {
        throw OutputError("cannot write in folder " + Printable(folder) + ": " + ErrnoText());
    }
    return std::make_unique<ReplacingOutput>(fd, std::move(temp), target, mode);
}

} // namespace

std::unique_ptr<Output> OpenOutput(const std::string& path, std::ostream& stream,
                                   const std::string& input) {
    if (path == "-") {
        return DescriptorOutput(STDOUT_FILENO, "standard output", stream, input);
    }
    // Links are followed one at a time, so a link whose file does not exist yet leads to where
    // that file is made, and a name for one of this process's descriptors is seen as one.
    std::string target = path;
    for (int links = 0; links < 40; ++links) {
        if (const std::optional<int> fd = OwnDescriptor(target)) {
            return DescriptorOutput(*fd, path, stream, input);
        }
        struct stat info {};
        if (lstat(target.c_str(), &info) != 0) {
            if (errno != ENOENT) {
                throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
            }
            return Replacement(path, target, NewFileMode());
        }
        if (S_ISLNK(info.st_mode)) {
            // A link to a pipe or device is opened, like the pipe or device itself; a link such
            // as /proc/N/fd/1 may name something readlink cannot give as a path.
            struct stat pointed {};
            if (stat(target.c_str(), &pointed) == 0 && !S_ISREG(pointed.st_mode) &&
                !S_ISDIR(pointed.st_mode)) {
                info = pointed;
            } else {
                std::vector<char> buffer(PATH_MAX + 1);
                const ssize_t length = readlink(target.c_str(), buffer.data(), buffer.size());
                if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
                    throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
                }
                const std::string link(buffer.data(), static_cast<std::size_t>(length));
                const std::size_t slash = target.rfind('/');
                target = link.starts_with('/') || slash == std::string::npos
                             ? link
                             : target.substr(0, slash + 1) + link;
                continue;
            }
        }
        if (S_ISDIR(info.st_mode)) {
            throw OutputError("output " + Printable(path) + " is a folder");
        }
        if (S_ISREG(info.st_mode)) {
            RefuseInput(info, path, input);
            return Replacement(path, target, info.st_mode & 07777);
        }
        // A device, pipe or socket is written in place.
        const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) {
            throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
        }
        return std::make_unique<FdOutput>(fd, path);
    }
    throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText(ELOOP));
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a == "-" || b == "-") {
        return a == b;
    }
    struct stat infoA {};
    struct stat infoB {};
    const bool hasA = stat(a.c_str(), &infoA) == 0;
    const bool hasB = stat(b.c_str(), &infoB) == 0;
    if (hasA && hasB) {
        return S_ISREG(infoA.st_mode) && infoA.st_dev == infoB.st_dev &&
               infoA.st_ino == infoB.st_ino;
    }
    return !hasA && !hasB && PlaceOf(a) == PlaceOf(b);
}

} // namespace cli
