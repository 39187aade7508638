#include "cli/output_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace cli {

namespace {

std::string ErrnoText() {
    return std::strerror(errno);
}

class StreamOutput : public Output {
public:
    explicit StreamOutput(std::ostream& stream) : stream_(stream) {}
    void Write(std::string_view text) override {
        stream_.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    void Flush() override {
        stream_.flush();
        if (!stream_) {
            throw OutputError("cannot write to standard output");
        }
    }
    void Commit() override { Flush(); }

private:
    std::ostream& stream_;
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
            throw OutputError("cannot write " + path_ + ": " + ErrnoText());
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
                throw OutputError("cannot write " + path_ + ": " + ErrnoText());
            }
            text.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    int fd_;
    std::string path_;
    std::string buffer_;
};

// A temporary file beside the target that is renamed over it on Commit.
class ReplacingOutput : public FdOutput {
public:
    ReplacingOutput(int fd, std::string temp, std::string target, mode_t mode)
        : FdOutput(fd, target), temp_(std::move(temp)), mode_(mode) {}
    ~ReplacingOutput() override {
        if (!committed_) {
            unlink(temp_.c_str());
        }
    }
    ReplacingOutput(const ReplacingOutput&) = delete;
    ReplacingOutput& operator=(const ReplacingOutput&) = delete;

    void Commit() override {
        Flush();
        if (fchmod(fd(), mode_) != 0) {
            throw OutputError("cannot set the permissions of " + path() + ": " + ErrnoText());
        }
        FdOutput::Commit();
        if (rename(temp_.c_str(), path().c_str()) != 0) {
            throw OutputError("cannot replace " + path() + ": " + ErrnoText());
        }
        committed_ = true;
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

} // namespace

std::unique_ptr<Output> OpenOutput(const std::string& path, std::ostream& stream) {
    if (path == "-") {
        return std::make_unique<StreamOutput>(stream);
    }
    // A link is followed, so the file it points to is what gets replaced.
    std::string target = path;
    if (char* resolved = realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);
    }
    struct stat info {};
    mode_t mode = NewFileMode();
    if (stat(target.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            throw OutputError("output " + path + " is a folder");
        }
        if (!S_ISREG(info.st_mode)) {
            const int fd = open(target.c_str(), O_WRONLY | O_CLOEXEC);
            if (fd < 0) {
                throw OutputError("cannot write " + path + ": " + ErrnoText());
            }
            return std::make_unique<FdOutput>(fd, path);
        }
        mode = info.st_mode & 07777;
    }
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        throw OutputError("cannot write " + path + ": folder " + folder + " does not exist");
    }
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = (slash == std::string::npos ? "" : folder) + "." + name + ".XXXXXX";
    std::vector<char> buffer(temp.begin(), temp.end());
    buffer.push_back('\0');
    const int fd = mkostemp(buffer.data(), O_CLOEXEC);
    if (fd < 0) {
        throw OutputError("cannot write in folder " + folder + ": " + ErrnoText());
    }
    temp.assign(buffer.data());
    return std::make_unique<ReplacingOutput>(fd, std::move(temp), std::move(target), mode);
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
