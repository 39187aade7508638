// Where rastova-convert's text goes: standard output, a replaced file, a device.
#include "cli/output_file.h"
#include "cli/text_stream.h"
#include "tests/test_files.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using cli::OpenOutput;
using cli::OutputError;
using testfiles::ReadFile;
using testfiles::TempDir;

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

ino_t InodeOf(const std::string& path) {
    struct stat info {};
    stat(path.c_str(), &info);
    return info.st_ino;
}

TEST(OutputFile, ReplacesOnlyOnCommit) {
    const TempDir dir;
    cli::StringText unused;
    const std::string big(200000, 'x'); // more than the write buffer holds
    // The longest name a folder takes: the temporary file's name must not pass it.
    const std::string longest = std::string(253, 'n') + ".c";
    struct Row {
        const char* what;
        bool existing;
        bool commit;
        std::string expected; // "" with !existing && !commit: no file at all
        std::string name = "out.c";
    };
    const Row rows[] = {
        {"new file, committed", false, true, "head" + big},
        {"new file, abandoned", false, false, ""},
        {"old file, committed", true, true, "head" + big},
        {"old file, abandoned", true, false, "earlier"},
        {"new file of a 255-byte name", false, true, "head" + big, longest},
        {"old file of a 255-byte name", true, true, "head" + big, longest},
    };
    for (const Row& row : rows) {
        const std::string path = dir.Path(row.name);
        fs::remove(dir.Path("out.c"));
        fs::remove(dir.Path(longest));
        if (row.existing) {
            dir.File(row.name, "earlier");
        }
        {
            auto output = OpenOutput(path, unused);
            output->Write("head");
            output->Write(big);
            if (row.commit) {
                output->Commit();
            }
        }
        if (!row.existing && !row.commit) {
            EXPECT_FALSE(fs::exists(path)) << row.what;
        } else {
            EXPECT_EQ(ReadFile(path), row.expected) << row.what;
        }
        EXPECT_LE(dir.Entries().size(), 1U) << row.what << ": no temporary file left";
    }
}

TEST(OutputFile, KeepsPermissionsOrFollowsTheUmask) {
    const TempDir dir;
    cli::StringText unused;
    struct Row {
        const char* name;
        mode_t before; // 0: no file before
        mode_t after;
    };
    const Row rows[] = {
        {"new.c", 0, 0640}, // 0666 less the umask 027
        {"kept.c", 0640, 0640},
        {"not-the-umasks.c", 0604, 0604}, // the umask would give 0640
        {"executable.sh", 0751, 0751},
    };
    const mode_t mask = umask(027);
    for (const Row& row : rows) {
        if (row.before != 0) {
            fs::permissions(dir.File(row.name, "earlier"), fs::perms(row.before));
        }
        auto output = OpenOutput(dir.Path(row.name), unused);
        output->Write("x");
        output->Commit();
        EXPECT_EQ(ModeOf(dir.Path(row.name)), row.after) << row.name;
    }
    umask(mask);
}

// Root replaces a user's file as that user's: its owner and group stay.
TEST(OutputFile, KeepsOwnerAndGroupWhereItMay) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another user";
    }
    const TempDir dir;
    cli::StringText unused;
    const std::string old = dir.File("old.c", "earlier");
    ASSERT_EQ(chown(old.c_str(), 4321, 8765), 0);
    fs::permissions(old, fs::perms(0640));
    auto output = OpenOutput(old, unused);
    output->Write("x");
    output->Commit();
    struct stat info {};
    ASSERT_EQ(stat(old.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 4321U);
    EXPECT_EQ(info.st_gid, 8765U);
    EXPECT_EQ(info.st_mode & 07777, 0640U);
    EXPECT_EQ(ReadFile(old), "x");
}

TEST(OutputFile, ALinkKeepsPointingAtTheNewContent) {
    const TempDir dir;
    cli::StringText unused;
    const std::string target = dir.File("real.c", "earlier");
    const std::string link = dir.Path("link.c");
    fs::create_symlink(target, link);
    auto output = OpenOutput(link, unused);
    output->Write("new");
    output->Commit();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFile(target), "new");
}

TEST(OutputFile, ALinkToAFileNotMadeYetLeadsToIt) {
    const TempDir dir;
    cli::StringText unused;
    std::filesystem::create_directory(dir.Path("sub"));
    struct Row {
        const char* link;
        const char* pointsTo;
        const char* file; // made by the write
    };
    const Row rows[] = {
        {"absolute.c", "", "new.c"}, // "" : the absolute path of `file`
        {"relative.c", "sub/new.c", "sub/new.c"},
        {"chain.c", "relative.c", "sub/new.c"},
    };
    for (const Row& row : rows) {
        fs::remove(dir.Path("new.c"));
        fs::remove(dir.Path("sub/new.c"));
        const std::string link = dir.Path(row.link);
        fs::create_symlink(*row.pointsTo != 0 ? row.pointsTo : dir.Path(row.file), link);
        auto output = OpenOutput(link, unused);
        output->Write(row.link);
        output->Commit();
        EXPECT_TRUE(fs::is_symlink(link)) << row.link;
        EXPECT_EQ(ReadFile(dir.Path(row.file)), row.link);
    }
}

TEST(OutputFile, ADescriptorNamedByPathIsWrittenInPlace) {
    const TempDir dir;
    const std::string log = dir.File("log.txt", "earlier\n");
    const ino_t inode = InodeOf(log);
    const int fd = open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    const std::string number = std::to_string(fd);
    cli::StringText stream;
    std::string expected = "earlier\n";
    for (const std::string& name : {"/dev/fd/" + number, "/proc/self/fd/" + number,
                                    "/proc/" + std::to_string(getpid()) + "/fd/" + number}) {
        auto output = OpenOutput(name, stream);
        output->Write(name + "\n");
        output->Commit();
        expected += name + "\n";
        EXPECT_EQ(ReadFile(log), expected) << name << ": appended to";
        EXPECT_EQ(InodeOf(log), inode) << name << ": never replaced";
    }
    close(fd);
    EXPECT_EQ(dir.Entries().size(), 1U);

    auto output = OpenOutput("/dev/stdout", stream);
    output->Write("table");
    output->Commit();
    EXPECT_EQ(stream.str(), "table") << "/dev/stdout is the standard output stream";
}

TEST(OutputFile, DevicesAreWrittenInPlace) {
    cli::StringText unused;
    auto output = OpenOutput("/dev/null", unused);
    output->Write("discarded");
    output->Commit();
    EXPECT_TRUE(fs::is_character_file("/dev/null")) << "never replaced by a regular file";
}

TEST(OutputFile, RefusesPlacesItCannotWrite) {
    const TempDir dir;
    fs::permissions(dir.Path(), fs::perms(0755));
    const std::string locked = dir.Path("locked");
    fs::create_directory(locked);
    fs::permissions(locked, fs::perms(0755));
    cli::StringText unused;
    struct Row {
        std::string path;
        const char* mentions;
        bool asNobody;
    };
    const Row rows[] = {
        {dir.Path("missing/out.c"), "does not exist", false},
        {dir.Path(), "is a folder", false},
        {locked + "/out.c", "Permission denied", true},
    };
    for (const Row& row : rows) {
        try {
            std::unique_ptr<cli::Output> output;
            if (row.asNobody) {
                const testfiles::AsNobody nobody;
                output = OpenOutput(row.path, unused);
            } else {
                output = OpenOutput(row.path, unused);
            }
            ADD_FAILURE() << row.path << ": opened";
        } catch (const OutputError& error) {
            EXPECT_NE(std::string(error.what()).find(row.mentions), std::string::npos)
                << row.path << ": " << error.what();
        }
    }
}

} // namespace
