// Bad command-line input.
#pragma once

#include <stdexcept>

namespace cli {

// Bad command-line input; the message names the problem in one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace cli
