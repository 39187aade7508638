// Where the command's own text goes: standard output and standard error in the program, strings
// in tests and on the web page. Not a C++ stream: the first stream a process makes sets up the
// C++ locales, which costs a short run about a tenth of its time.
#pragma once

#include "formats/sink.h"

#include <string>
#include <string_view>
#include <utility>

namespace cli {

// Writes all of `text` to descriptor `fd`, again after an interrupted write. 0, or the reason the
// write failed: its errno, EIO for a write that took nothing.
int WriteAll(int fd, std::string_view text);

// Writes all of each text at once. After a failed write nothing more is written.
class TextStream : public formats::Sink {
public:
    // Whether the stream could be written from the start and every write went through.
    virtual bool Good() const = 0;
    // The system's reason for the failed write; 0 when there is none or it gave none.
    virtual int Error() const = 0;
};

// A descriptor of this process, written unbuffered: each Write is a whole line or block, so
// notes and tables reach a terminal, a pipe or a log in the order they were made.
class DescriptorText final : public TextStream {
public:
    // `good` false: a descriptor found closed or open for reading only when the run began.
    explicit DescriptorText(int fd, bool good = true) : fd_(fd), good_(good) {}
    void Write(std::string_view text) override;
    bool Good() const override { return good_; }
    int Error() const override { return error_; }

private:
    int fd_;
    bool good_;
    int error_ = 0;
};

// Everything written, kept.
class StringText final : public TextStream {
public:
    void Write(std::string_view text) override { text_ += text; }
    bool Good() const override { return true; }
    int Error() const override { return 0; }
    const std::string& str() const& { return text_; }
    std::string str() && { return std::move(text_); }

private:
    std::string text_;
};

} // namespace cli
