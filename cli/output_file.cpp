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
#include <tuple>
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
    explicit StreamOutput(TextStream& stream) : stream_(stream) {
        if (!stream_.Good()) {
            throw OutputError(
                "cannot write to standard output: it is closed or open for reading only");
        }
    }
    void Write(std::string_view text) override { stream_.Write(text); }
    void Flush() override {
        if (!stream_.Good()) {
            throw OutputError("cannot write to standard output" +
                              (stream_.Error() != 0 ? ": " + ErrnoText(stream_.Error())
                                                    : std::string()));
        }
    }
    void Commit() override { Flush(); }

private:
    TextStream& stream_;
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
        if (const int error = cli::WriteAll(fd_, text); error != 0) {
            throw OutputError("cannot write " + Printable(path_) + ": " + ErrnoText(error));
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

// Who owns a file being replaced.
struct Owner {
    uid_t uid;
    gid_t gid;
};

// A temporary file beside the target that is renamed over it on Commit, with the target's mode
// and, where this process may set them, its owner and group.
class ReplacingOutput : public FdOutput {
public:
    ReplacingOutput(int fd, std::string temp, std::string target, mode_t mode,
                    std::optional<Owner> owner)
        : FdOutput(fd, target), temp_(std::move(temp)), mode_(mode), owner_(owner) {}
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
        // The owner first: changing it may clear the set-id bits the mode then puts back. A
        // process that may not give the file away (not root) keeps at least the group where
        // it may, as the file's owner does.
        if (owner_ && fchown(fd(), owner_->uid, owner_->gid) != 0) {
            static_cast<void>(fchown(fd(), static_cast<uid_t>(-1), owner_->gid));
        }
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
    std::optional<Owner> owner_;
    bool committed_ = false;
};

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

// Whether two files are one: the same device and inode, by whatever names they were reached.
// Every comparison of files goes through here.
bool SameObject(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Refuses an output that is the file being read, by whatever name it was reached.
void RefuseInput(const struct stat& output, const std::string& path, const std::string& input) {
    struct stat info {};
    if (!input.empty() && stat(input.c_str(), &info) == 0 && SameObject(info, output)) {
        throw OutputError("output " + Printable(path) + " is the font file being read (" +
                          Printable(input) + "); give another file");
    }
}

// Where an output name leads, found without opening or making anything.
struct Destination {
    enum class Kind {
        Descriptor, // one of this process's descriptors, written in place
        Existing,   // a regular file, replaced
        New,        // a file not made yet
        InPlace,    // a device, pipe or socket, written in place
    };
    Kind kind = Kind::New;
    int fd = -1;        // Descriptor
    std::string target; // the path, links followed
    // Descriptor, Existing, InPlace: the file itself; New: the folder it is to be made in.
    struct stat info {};
    std::string folder; // Existing, New: where the temporary file goes ("" is the current one)
    std::string name;   // New: its name in the folder
};

// The folder part of `target` with its slash, "" for a bare name, and the name after it.
std::pair<std::string, std::string> SplitPath(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    if (slash == std::string::npos) {
        return {"", target};
    }
    return {target.substr(0, slash + 1), target.substr(slash + 1)};
}

// Where the file `target` is to be made: its folder must exist.
Destination NewFile(const std::string& path, const std::string& target) {
    Destination place;
    place.kind = Destination::Kind::New;
    place.target = target;
    std::tie(place.folder, place.name) = SplitPath(target);
    const std::string folder = place.folder.empty() ? "." : place.folder;
    if (stat(folder.c_str(), &place.info) != 0 || !S_ISDIR(place.info.st_mode)) {
        throw OutputError("cannot write " + Printable(path) + ": folder " + Printable(folder) +
                          " does not exist");
    }
    return place;
}

// The next step along the link `target`: what it points to, relative to its folder.
std::string FollowLink(const std::string& path, const std::string& target) {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink(target.c_str(), buffer.data(), buffer.size());
    if (length < 0 || static_cast<std::size_t>(length) >= buffer.size()) {
        throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
    }
    const std::string link(buffer.data(), static_cast<std::size_t>(length));
    return link.starts_with('/') ? link : SplitPath(target).first + link;
}

// Follows `path` to where its text would go; refuses a folder and what cannot be looked at.
// Links are followed one at a time, so a link whose file does not exist yet leads to where that
// file is made, and a name for one of this process's descriptors is seen as one.
Destination Locate(const std::string& path) {
    Destination place;
    if (path == "-") {
        place.kind = Destination::Kind::Descriptor;
        place.fd = STDOUT_FILENO;
        return place;
    }
    std::string target = path;
    for (int links = 0; links < 40; ++links) {
        if (const std::optional<int> fd = OwnDescriptor(target)) {
            place.kind = Destination::Kind::Descriptor;
            place.fd = *fd;
            return place;
        }
        struct stat info {};
        if (lstat(target.c_str(), &info) != 0) {
            if (errno != ENOENT) {
                throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
            }
            return NewFile(path, target);
        }
        if (S_ISLNK(info.st_mode)) {
            // A link to a pipe or device is opened, like the pipe or device itself; a link such
            // as /proc/N/fd/1 may name something readlink cannot give as a path.
            struct stat pointed {};
            if (stat(target.c_str(), &pointed) != 0 || S_ISREG(pointed.st_mode) ||
                S_ISDIR(pointed.st_mode)) {
                target = FollowLink(path, target);
                continue;
            }
            info = pointed;
        }
        if (S_ISDIR(info.st_mode)) {
            throw OutputError("output " + Printable(path) + " is a folder");
        }
        place.kind =
            S_ISREG(info.st_mode) ? Destination::Kind::Existing : Destination::Kind::InPlace;
        place.target = target;
        place.info = info;
        place.folder = SplitPath(target).first;
        return place;
    }
    throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText(ELOOP));
}

// The descriptor `fd` of this process, checked as DescriptorOutput writes it.
void CheckDescriptor(int fd, const std::string& path, const std::string& input) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
    }
    RefuseInput(info, path, input);
    const int flags = fcntl(fd, F_GETFL);
    if (fd != STDOUT_FILENO && (flags < 0 || (flags & O_ACCMODE) == O_RDONLY)) {
        throw OutputError("cannot write " + Printable(path) + ": it is open for reading only");
    }
}

// Writes in place to descriptor `fd` of this process, through a duplicate of it: appending when
// it was opened to append, never truncating. Standard output is `stream`.
std::unique_ptr<Output> DescriptorOutput(int fd, const std::string& path, TextStream& stream,
                                         const std::string& input) {
    CheckDescriptor(fd, path, input);
    if (fd == STDOUT_FILENO) {
        return std::make_unique<StreamOutput>(stream);
    }
    const int copy = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    if (copy < 0) {
        throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
    }
    return std::make_unique<FdOutput>(copy, path);
}

// The file a new output replaces: a temporary file in `place`'s folder, renamed over it on
// Commit, with the old file's mode and owner, or a new file's mode.
std::unique_ptr<Output> Replacement(const Destination& place) {
    const bool existing = place.kind == Destination::Kind::Existing;
    const std::string folder = place.folder.empty() ? "." : place.folder;
    // The temporary name is the target's, cut short where it would pass the longest name a
    // folder takes, so every name that may be written can be.
    const std::string name = SplitPath(place.target).second;
    constexpr std::size_t kTempExtra = 8; // "." before it, ".XXXXXX" after
    std::string temp = place.folder + "." + name.substr(0, NAME_MAX - kTempExtra) + ".XXXXXX";
    const int fd = MakeTemp(temp);
    if (fd < 0) {
        throw OutputError("cannot write in folder " + Printable(folder) + ": " + ErrnoText());
    }
    const mode_t mode = existing ? place.info.st_mode & 07777 : NewFileMode();
    std::optional<Owner> owner;
    if (existing) {
        owner = Owner{place.info.st_uid, place.info.st_gid};
    }
    return std::make_unique<ReplacingOutput>(fd, std::move(temp), place.target, mode, owner);
}

// Whether this process may make files in `folder` ("" is the current one).
void CheckFolderWritable(const std::string& folder) {
    const std::string name = folder.empty() ? "." : folder;
    if (faccessat(AT_FDCWD, name.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        throw OutputError("cannot write in folder " + Printable(name) + ": " + ErrnoText());
    }
}

} // namespace

std::unique_ptr<Output> OpenOutput(const std::string& path, TextStream& stream,
                                   const std::string& input) {
    const Destination place = Locate(path);
    switch (place.kind) {
    case Destination::Kind::Descriptor:
        return DescriptorOutput(place.fd, path == "-" ? "standard output" : path, stream, input);
    case Destination::Kind::Existing:
        RefuseInput(place.info, path, input);
        return Replacement(place);
    case Destination::Kind::New:
        return Replacement(place);
    case Destination::Kind::InPlace:
        break;
    }
    const int fd = open(place.target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
    }
    return std::make_unique<FdOutput>(fd, path);
}

void CheckOutput(const std::string& path, TextStream& stream, const std::string& input) {
    const Destination place = Locate(path);
    switch (place.kind) {
    case Destination::Kind::Descriptor:
        CheckDescriptor(place.fd, path == "-" ? "standard output" : path, input);
        if (place.fd == STDOUT_FILENO) {
            StreamOutput check(stream);
        }
        return;
    case Destination::Kind::Existing:
        RefuseInput(place.info, path, input);
        CheckFolderWritable(place.folder);
        return;
    case Destination::Kind::New:
        CheckFolderWritable(place.folder);
        return;
    case Destination::Kind::InPlace:
        // Not opened: a pipe would wait for its reader.
        if (faccessat(AT_FDCWD, place.target.c_str(), W_OK, AT_EACCESS) != 0) {
            throw OutputError("cannot write " + Printable(path) + ": " + ErrnoText());
        }
        return;
    }
}

bool WritesInPlace(const std::string& path) {
    try {
        const Destination::Kind kind = Locate(path).kind;
        return kind == Destination::Kind::Descriptor || kind == Destination::Kind::InPlace;
    } catch (const OutputError&) {
        return false;
    }
}

bool SameFile(const std::string& a, const std::string& b) {
    Destination one;
    Destination other;
    try {
        one = Locate(a);
        other = Locate(b);
    } catch (const OutputError&) {
        return false; // refused when it is opened
    }
    using Kind = Destination::Kind;
    if (one.kind == Kind::Descriptor && other.kind == Kind::Descriptor && one.fd == other.fd) {
        return true;
    }
    if (one.kind == Kind::New || other.kind == Kind::New) {
        // One name in one folder, however the folder was reached.
        return one.kind == other.kind && one.name == other.name && SameObject(one.info, other.info);
    }
    for (Destination* place : {&one, &other}) {
        if (place->kind == Kind::Descriptor && fstat(place->fd, &place->info) != 0) {
            return false;
        }
    }
    // A terminal or /dev/null takes both harmlessly; a file or a pipe would hold both mixed.
    return SameObject(one.info, other.info) && !S_ISCHR(one.info.st_mode);
}

} // namespace cli
