// Running rastova-convert in-process for the command-line tests.
#pragma once

#include "cli/convert_command.h"
#include "cli/text_stream.h"
#include "cli/usage_error.h"
#include "tests/test_files.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace clitest {

using testfiles::AsNobody;
using testfiles::ReadFile;
using testfiles::TempDir;

struct Result {
    int code;
    std::string out;
    std::string err;
};

inline Result RunCli(const std::vector<std::string>& args) {
    const std::vector<std::string_view> views(args.begin(), args.end());
    cli::StringText out;
    cli::StringText err;
    const int code = cli::RunConvert(views, out, err);
    return {code, out.str(), err.str()};
}

// The message of the UsageError `call` throws, or "(no error)".
inline std::string UsageMessage(const std::function<void()>& call) {
    try {
        call();
    } catch (const cli::UsageError& error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace clitest
