// Temporary folders and files for tests, and running a block as an unprivileged user.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace testfiles {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "rastova-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name = "") const { return (path_ / name).string(); }
    std::string File(const std::string& name, std::string_view content) const {
        const std::string file = Path(name);
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }
    // Names of the entries in the folder.
    std::vector<std::string> Entries() const { return EntriesOf(path_.string()); }
    static std::vector<std::string> EntriesOf(const std::string& folder) {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

private:
    std::filesystem::path path_;
};

// While alive, the effective user is "nobody" when the tests run as root, so permissions bite
// for root too.
class AsNobody {
public:
    AsNobody() : root_(geteuid() == 0) {
        if (root_ && seteuid(65534) != 0) {
            throw std::runtime_error("seteuid failed");
        }
    }
    ~AsNobody() {
        if (root_) {
            [[maybe_unused]] const int back = seteuid(0);
        }
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

private:
    bool root_;
};

} // namespace testfiles
