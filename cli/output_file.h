// Where a run's text goes: a stream, or a file replaced only once all of it is written.
#pragma once

#include "cli/text_stream.h"
#include "formats/sink.h"

#include <memory>
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

// Opens where a run's text goes, refusing before anything is written what cannot be written or
// must not be replaced:
// - "-", /dev/stdout, /dev/fd/1 or /proc/self/fd/1 is standard output: `stream`.
// - Another descriptor of this process named so (/dev/fd/N, /proc/self/fd/N, /dev/stderr) is
//   written in place through a duplicate of it, at its offset: appending when it appends.
// - A regular file, or a new one, is written to a temporary file in the same folder that
//   replaces it on Commit, keeping the old file's permissions, and its owner and group where
//   the process may set them (as root may). Links are followed, also to a
//   file that does not exist yet, so the link stays a link. An ending signal (SIGHUP, SIGINT,
//   SIGTERM) removes the temporary file before it ends the process.
// - A device, pipe or socket is written in place.
// An output that is the file `input` (the font being read), by any name, is refused, as are a
// missing folder, a folder that cannot be written and a path that is a folder: OutputError.
std::unique_ptr<Output> OpenOutput(const std::string& path, TextStream& stream,
                                   const std::string& input = {});

// Refuses what OpenOutput would refuse, and a folder this process may not make files in, without
// opening or making anything (for --dry-run): OutputError.
void CheckOutput(const std::string& path, TextStream& stream, const std::string& input = {});

// Whether OpenOutput writes `path` in place: standard output, another descriptor, a device, a
// pipe or a socket, by any name or link.
bool WritesInPlace(const std::string& path);

// Whether two outputs as OpenOutput takes them would write over each other: one descriptor of
// this process however named ("-", /dev/stdout, /dev/fd/1 ...), one file or pipe reached by two
// names or links, or one file to be made named two ways (a.png, ./a.png, sub/../a.png, a link
// to it). Terminals and devices such as /dev/null are shared harmlessly and count as
// different.
bool SameFile(const std::string& a, const std::string& b);

} // namespace cli
