// Running shell commands from tests: compilers, readers, the programs under test.
#pragma once

#include <cstdio>
#include <string>
#include <sys/wait.h>

namespace commands {

struct Command {
    int status;         // the exit status, or -1 when the command did not exit normally
    std::string output; // standard output and standard error together
};

inline Command Shell(const std::string& command) {
    Command result{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        result.output.append(buffer, got);
    }
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

} // namespace commands
