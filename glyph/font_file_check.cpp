#include "glyph/font_file_check.h"

#include "glyph/font_faces.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace glyph {

namespace {

// The font file, read only where its header points.
class FontFile {
public:
    explicit FontFile(const std::string& path) : path_(path) {
        fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat info {};
        if (fd_ < 0 || fstat(fd_, &info) != 0) {
            Fail();
        }
        size_ = static_cast<std::uint64_t>(info.st_size);
    }
    ~FontFile() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    FontFile(const FontFile&) = delete;
    FontFile& operator=(const FontFile&) = delete;

    const std::string& path() const { return path_; }
    std::uint64_t size() const { return size_; }
    bool Holds(std::uint64_t offset, std::uint64_t length) const {
        return offset <= size_ && length <= size_ - offset;
    }

    // The `count` bytes at `offset`, which the caller has found inside the file.
    std::vector<unsigned char> Read(std::uint64_t offset, std::size_t count) const {
        std::vector<unsigned char> bytes(count);
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n =
                pread(fd_, bytes.data() + got, count - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                Fail(n == 0 ? "it ended while being read" : nullptr);
            }
            got += static_cast<std::size_t>(n);
        }
        return bytes;
    }

    // Refuses the file: `what` lies past its end.
    [[noreturn]] void CutShort(const std::string& what) const {
        throw FontError("font file " + path_ + " is cut short or damaged: " + what +
                        " lies past the end of the file (" + std::to_string(size_) +
                        " bytes); the font cannot be read whole");
    }

private:
    [[noreturn]] void Fail(const char* reason = nullptr) const {
        throw FontError("cannot read font file " + path_ + ": " +
                        (reason != nullptr ? reason : std::strerror(errno)));
    }

    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

std::uint32_t Be32(const unsigned char* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
std::uint16_t Be16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

// A four-byte table tag as text; a damaged file may hold any bytes there.
std::string TagText(const unsigned char* p) {
    std::string tag = "'";
    for (int i = 0; i < 4; ++i) {
        tag += p[i] >= 0x20 && p[i] < 0x7F ? static_cast<char>(p[i]) : '?';
    }
    return tag + "'";
}

// A stretch of the file that its header lists.
struct Part {
    std::string name;
    std::uint64_t offset;
    std::uint64_t length;
};

// Refuses the file when a part lies past its end, naming the one that starts first: where the
// file was cut.
void CheckParts(const FontFile& file, std::vector<Part> parts) {
    std::sort(parts.begin(), parts.end(),
              [](const Part& a, const Part& b) { return a.offset < b.offset; });
    for (const Part& part : parts) {
        if (!file.Holds(part.offset, part.length)) {
            file.CutShort(part.name + " (bytes " + std::to_string(part.offset) + " to " +
                          std::to_string(part.offset + part.length) + ")");
        }
    }
}

// The header `count` entries of `size` bytes at `offset` need, read once it is known to fit.
std::vector<unsigned char> ReadList(const FontFile& file, std::uint64_t offset, std::uint64_t count,
                                    std::uint64_t size, const std::string& name) {
    if (!file.Holds(offset, count * size)) {
        file.CutShort(name);
    }
    return file.Read(offset, static_cast<std::size_t>(count * size));
}

// An sfnt table directory at `at`: 12 bytes, then 16 a table (tag, checksum, offset, length).
void CheckSfnt(const FontFile& file, std::uint64_t at, const std::string& face) {
    const std::vector<unsigned char> header = ReadList(file, at, 1, 12, face + "table directory");
    const std::uint16_t tables = Be16(&header[4]);
    const std::vector<unsigned char> records =
        ReadList(file, at + 12, tables, 16, face + "table directory");
    std::vector<Part> parts;
    for (std::uint16_t i = 0; i < tables; ++i) {
        const unsigned char* record = &records[16U * i];
        parts.push_back({face + TagText(record) + " table", Be32(record + 8), Be32(record + 12)});
    }
    CheckParts(file, std::move(parts));
}

// A collection: its list of faces, then each face's directory and tables.
void CheckCollection(const FontFile& file) {
    const std::vector<unsigned char> header = ReadList(file, 0, 1, 12, "the collection's header");
    const std::uint32_t faces = Be32(&header[8]);
    const std::vector<unsigned char> offsets =
        ReadList(file, 12, faces, 4, "the collection's list of faces");
    for (std::uint32_t i = 0; i < faces; ++i) {
        CheckSfnt(file, Be32(&offsets[4U * i]), "face " + std::to_string(i) + "'s ");
    }
}

// WOFF: a 44-byte header stating the file's length, then 20 bytes a table (tag, offset,
// compressed length, length, checksum), and optional metadata and private blocks.
void CheckWoff(const FontFile& file) {
    const std::vector<unsigned char> header = ReadList(file, 0, 1, 44, "the WOFF header");
    std::vector<Part> parts = {{"the length its header states", 0, Be32(&header[8])},
                               {"its metadata", Be32(&header[24]), Be32(&header[28])},
                               {"its private data", Be32(&header[36]), Be32(&header[40])}};
    const std::uint16_t tables = Be16(&header[12]);
    const std::vector<unsigned char> records =
        ReadList(file, 44, tables, 20, "the WOFF table directory");
    for (std::uint16_t i = 0; i < tables; ++i) {
        const unsigned char* record = &records[20U * i];
        parts.push_back({TagText(record) + " table", Be32(record + 4), Be32(record + 8)});
    }
    CheckParts(file, std::move(parts));
}

} // namespace

void CheckFontFileComplete(const std::string& path) {
    const FontFile file(path);
    if (file.size() < 4) {
        return; // FreeType tells such a file is no font
    }
    const std::vector<unsigned char> start = file.Read(0, 4);
    const std::uint32_t tag = Be32(start.data());
    switch (tag) {
    case 0x00010000: // TrueType outlines
    case 0x74727565: // 'true': TrueType, as Apple writes it
    case 0x4F54544F: // 'OTTO': CFF outlines
    case 0x74797031: // 'typ1': a Type 1 font in an sfnt
        CheckSfnt(file, 0, "its ");
        break;
    case 0x74746366: // 'ttcf'
        CheckCollection(file);
        break;
    case 0x774F4646: // 'wOFF'
        CheckWoff(file);
        break;
    case 0x774F4632: { // 'wOF2': its tables are one compressed stream; the length must hold
        const std::vector<unsigned char> header = ReadList(file, 0, 1, 12, "the WOFF2 header");
        CheckParts(file, {{"the length its header states", 0, Be32(&header[8])}});
        break;
    }
    default:
        break;
    }
}

} // namespace glyph
