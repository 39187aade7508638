// Where a run's text goes: a stream, or a file replaced only once all of it is written.
#pragma once

#include "formats/sink.h"

#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace cli {

// An output that cannot be opened, written or put in place; the message names the problem.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Output : public formats::Sink {
public:
    // Writes out what is still buffered, so a full disk is found before anything is made final.
    virtual void Flush() = 0;
    // Makes what was written final. An output destroyed without Commit leaves no trace of this
    // run where it can (a file keeps its earlier content).
    virtual void Commit() = 0;
};

// `path` "-" writes to `stream`. A regular file (or a new one) is written to a temporary file in
// the same folder that replaces it on Commit, keeping the old file's permissions; a device or
// pipe such as /dev/null is written directly. A missing folder, a folder that cannot be written
// and a path that is a folder throw OutputError before anything is written.
std::unique_ptr<Output> OpenOutput(const std::string& path, std::ostream& stream);

// Whether two outputs as OpenOutput takes them would write over each other: both "-", or one
// regular file (existing, or to be made) named two ways. Devices such as /dev/null are shared
// harmlessly and count as different.
bool SameFile(const std::string& a, const std::string& b);

} // namespace cli
