// rastova-convert as a process: what only a real process shows, with its standard output
// redirected, closed or full, and signals.
#include "tests/cli_test_support.h"
#include "tests/font_files.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#ifndef RASTOVA_CONVERT
#error "RASTOVA_CONVERT names the rastova-convert program"
#endif

extern char** environ;

namespace {

using clitest::ReadFile;
using clitest::TempDir;

// How a child's standard output is set up: closed, or a file opened with `flags`.
struct Stdout {
    std::string path; // empty: closed
    int flags = O_WRONLY;
};

// Starts rastova-convert with `args`. Its standard error goes to `errFd`; the ending signals
// have their default action whatever this process does with them; `environment` entries
// ("NAME=value") are added to this process's.
pid_t Start(const std::vector<std::string>& args, const Stdout& out, int errFd,
            const std::vector<std::string>& environment = {}) {
    std::vector<std::string> argv = {RASTOVA_CONVERT};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (std::string& arg : argv) {
        argp.push_back(arg.data());
    }
    argp.push_back(nullptr);
    std::vector<std::string> env = environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        env.emplace_back(*entry); // later entries lose to the first of the same name
    }
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out.path.empty()) {
        posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.path.c_str(), out.flags,
                                         0644);
    }
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    for (int signal : {SIGHUP, SIGINT, SIGTERM}) {
        sigaddset(&signals, signal);
    }
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, argp[0], &actions, &attributes, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return error == 0 ? pid : -1;
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Runs rastova-convert to the end; its exit status (-1 when a signal ended it) and stderr.
clitest::Result RunProgram(const std::vector<std::string>& args, const Stdout& out,
                           const std::vector<std::string>& environment = {}) {
    const TempDir dir;
    const std::string errPath = dir.File("stderr", "");
    const int errFd = open(errPath.c_str(), O_WRONLY | O_CLOEXEC);
    const pid_t pid = Start(args, out, errFd, environment);
    close(errFd);
    if (pid < 0) {
        return {-1, "", "cannot start " RASTOVA_CONVERT};
    }
    const int status = Wait(pid);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", ReadFile(errPath)};
}

TEST(ConvertProcess, StandardOutputByAnyNameIsWrittenInPlace) {
    const TempDir dir;
    const std::string log = dir.File("log.txt", "earlier\n");
    const std::string table = clitest::RunCli({"A"}).out;
    ASSERT_FALSE(table.empty());
    std::string expected = "earlier\n";
    for (const char* name : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
        // rastova-convert A -o NAME >> log.txt
        const clitest::Result result = RunProgram({"A", "-o", name}, {log, O_WRONLY | O_APPEND});
        EXPECT_EQ(result.code, 0) << name << ": " << result.err;
        expected += table;
        EXPECT_EQ(ReadFile(log), expected) << name << ": appended, nothing lost";
    }
    EXPECT_EQ(dir.Entries().size(), 1U) << "no temporary file left";
}

TEST(ConvertProcess, StandardOutputThatCannotBeWrittenIsOneLineWithTheReason) {
    struct Row {
        std::vector<std::string> args;
        Stdout out;
        std::string mentions; // the last line of stderr
        bool alone;           // the only line: found before any work
    };
    const Stdout closed{};
    const Stdout full{"/dev/full"};
    const Stdout readOnly{"/dev/null", O_RDONLY};
    const std::string noSpace = "cannot write to standard output: No space left on device";
    const std::string closedText =
        "cannot write to standard output: it is closed or open for reading only";
    const Row rows[] = {
        {{"--help"}, full, noSpace, true},
        {{"--help"}, closed, closedText, true},
        {{"--help"}, readOnly, closedText, true},
        {{"--set", "ascii"}, full, noSpace, false},
        // Found before the work: no clipping or missing-glyph note comes first.
        {{"--font", "DejaVu Sans", "--range", "U+2031,U+10FFFD"}, closed, closedText, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.args) + " > " +
                     (row.out.path.empty() ? "closed" : row.out.path));
        const clitest::Result result = RunProgram(row.args, row.out);
        EXPECT_EQ(result.code, 2);
        const std::string line = "rastova-convert: " + row.mentions + "\n";
        if (row.alone) {
            EXPECT_EQ(result.err, line);
        } else {
            EXPECT_TRUE(result.err.ends_with(line)) << result.err;
        }
    }
}

TEST(ConvertProcess, AnEndingSignalRemovesTheTemporaryFile) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        const TempDir dir;
        const std::string out = dir.File("out.txt", "earlier\n");
        // Every character of this plane is missing from DejaVu, and each is noted on stderr: a
        // pipe nobody reads, so the run blocks on it while the temporary file is open.
        int notes[2];
        ASSERT_EQ(pipe2(notes, O_CLOEXEC), 0);
        const pid_t pid = Start({"--size", "1", "--range", "0x20000-0x2FFFD", "-o", out},
                                {"/dev/null"}, notes[1]);
        close(notes[1]);
        ASSERT_GT(pid, 0);
        bool temporary = false;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!temporary && std::chrono::steady_clock::now() < deadline) {
            for (const std::string& name : dir.Entries()) {
                temporary = temporary || name.starts_with(".out.txt.");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_TRUE(temporary) << "the run never started writing";
        kill(pid, signal);
        const int status = Wait(pid);
        close(notes[0]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "ended by the signal, status 128 + signal in a shell; wait status " << status;
        EXPECT_EQ(dir.Entries(), std::vector<std::string>{"out.txt"});
        EXPECT_EQ(ReadFile(out), "earlier\n");
    }
}

TEST(ConvertProcess, TheFontAPatternMatchesIsNeverReplaced) {
    // fontconfig knows one font here: a copy of DejaVu Sans in a folder of the test's own.
    const TempDir dir;
    std::filesystem::create_directory(dir.Path("fonts"));
    const std::string font = dir.Path("fonts/DejaVuSans.ttf");
    std::filesystem::copy_file(testfonts::DejaVuSans(), font);
    const std::string config =
        dir.File("fonts.conf", "<?xml version=\"1.0\"?>\n<fontconfig>\n<dir>" + dir.Path("fonts") +
                                   "</dir>\n<cachedir>" + dir.Path("cache") +
                                   "</cachedir>\n</fontconfig>\n");
    const std::string original = ReadFile(font);
    const clitest::Result result = RunProgram({"--font", "DejaVu Sans", "A", "-o", font},
                                              {"/dev/null"}, {"FONTCONFIG_FILE=" + config});
    EXPECT_EQ(result.code, 2);
    EXPECT_NE(result.err.find("is the font file being read"), std::string::npos) << result.err;
    EXPECT_TRUE(ReadFile(font) == original) << "the font is untouched";
}

} // namespace
