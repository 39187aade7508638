#include "cli/text_file.h"

#include "cli/character_list.h"
#include "cli/printable.h"
#include "cli/usage_error.h"

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cli {

namespace {

constexpr char32_t kCodePoints = 0x110000;
constexpr char32_t kByteOrderMark = 0xFEFF;

// Far more than any firmware's strings; a device that never ends (/dev/zero) stops here.
constexpr std::uint64_t kMaxTextBytes = std::uint64_t{256} << 20;

std::string HexBytes(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        text += text.empty() ? "0x" : " 0x";
        text += kHex[value >> 4];
        text += kHex[value & 0xF];
    }
    return text;
}

// The bytes a sequence starting with `lead` has: 2 to 4 (0xF5-0xF7 begin only sequences above
// U+10FFFF, which are refused once decoded).
std::size_t SequenceLength(unsigned char lead) {
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
}

// Closes a descriptor it opened.
class InputFile {
public:
    explicit InputFile(const std::string& path) {
        if (path != "-") {
            fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
            owned_ = true;
        }
    }
    ~InputFile() {
        if (owned_ && fd_ >= 0) {
            close(fd_);
        }
    }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    int fd() const { return fd_; }

private:
    int fd_ = STDIN_FILENO;
    bool owned_ = false;
};

} // namespace

TextCharacters::TextCharacters(std::string name)
    : name_(std::move(name)), seen_(kCodePoints / 64) {}

//   byte 1    byte 2    byte 3    byte 4     code points
//   0xxxxxxx                                 U+0000-U+007F
//   110xxxxx  10xxxxxx                       U+0080-U+07FF
//   1110xxxx  10xxxxxx  10xxxxxx             U+0800-U+FFFF, not U+D800-U+DFFF
//   11110xxx  10xxxxxx  10xxxxxx  10xxxxxx   U+10000-U+10FFFF
// Any other form (shorter or longer than the code point needs, a surrogate, above U+10FFFF) is
// malformed. Returns the bytes of the sequence at `at`, or 0 when `bytes` ends inside it.
std::size_t TextCharacters::Sequence(std::string_view bytes, std::size_t at, char32_t& c) const {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    if (lead < 0xC0) {
        Malformed(bytes.substr(at, 1), "continues no sequence");
    }
    if (lead >= 0xF8) {
        Malformed(bytes.substr(at, 1), "is never in UTF-8");
    }
    const std::size_t length = SequenceLength(lead);
    c = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        if (at + k >= bytes.size()) {
            return 0;
        }
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next & 0xC0) != 0x80) {
            Malformed(bytes.substr(at, k),
                      "begins a " + std::to_string(length) + "-byte sequence that is cut short");
        }
        c = (c << 6) | (next & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    const std::string_view sequence = bytes.substr(at, length);
    if (c < kLeast[length]) {
        Malformed(sequence, "is an overlong form of " + CodeName(c));
    }
    if (c >= 0xD800 && c <= 0xDFFF) {
        Malformed(sequence, "encodes the surrogate " + CodeName(c) + ", which is no character");
    }
    if (c >= kCodePoints) {
        Malformed(sequence, "encodes 0x" + CodeName(c).substr(2) + ", above U+10FFFF");
    }
    return length;
}

std::size_t TextCharacters::Feed(std::string_view bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        if (byte < 0x80) {
            if (byte == '\n') {
                ++line_;
                column_ = 1;
            } else {
                ++column_;
                if (!IsControl(byte)) {
                    seen_[byte >> 6] |= std::uint64_t{1} << (byte & 63);
                }
            }
            ++at;
            start_ = false;
            continue;
        }
        char32_t c = 0;
        const std::size_t length = Sequence(bytes, at, c);
        if (length == 0) {
            break;
        }
        at += length;
        if (c == kByteOrderMark) {
            // Only a mark at the start is no character an editor shows.
            column_ += start_ ? 0 : 1;
        } else {
            ++column_;
            if (!IsControl(c)) {
                seen_[c >> 6] |= std::uint64_t{1} << (c & 63);
            }
        }
        start_ = false;
    }
    return at;
}

std::u32string TextCharacters::Finish(std::string_view rest) {
    if (!rest.empty()) {
        Malformed(rest, "begins a " +
                            std::to_string(SequenceLength(static_cast<unsigned char>(rest[0]))) +
                            "-byte sequence that the end of the file cuts short");
    }
    std::u32string characters;
    for (std::size_t word = 0; word < seen_.size(); ++word) {
        for (std::uint64_t bits = seen_[word]; bits != 0; bits &= bits - 1) {
            characters += static_cast<char32_t>(word * 64 + std::countr_zero(bits));
        }
    }
    return characters;
}

void TextCharacters::Malformed(std::string_view bytes, std::string_view problem) const {
    throw UsageError(name_ + ":" + std::to_string(line_) + ":" + std::to_string(column_) +
                     ": not UTF-8: " + HexBytes(bytes) + " " + std::string(problem));
}

std::u32string ReadTextFileCharacters(const std::string& path) {
    const bool standardInput = path == "-";
    const std::string option = "--text-file " + Printable(path);
    const InputFile file(path);
    if (file.fd() < 0) {
        throw UsageError(option + ": " + std::strerror(errno));
    }
    struct stat status {};
    const bool known = fstat(file.fd(), &status) == 0;
    if (known && S_ISDIR(status.st_mode)) {
        throw UsageError(option + ": is a folder, not a text file");
    }
    const auto tooLong = [&] {
        return UsageError(option + ": longer than 256 MiB, more than a program's strings");
    };
    if (known && S_ISREG(status.st_mode) &&
        static_cast<std::uint64_t>(status.st_size) > kMaxTextBytes) {
        throw tooLong();
    }
    TextCharacters text(standardInput ? "<stdin>" : Printable(path));
    // Large blocks: a text of megabytes is read in a few calls. The bytes of a sequence that a
    // block cuts short move to the front, and the next block is read after them.
    static constexpr std::size_t kBlock = std::size_t{1} << 20;
    std::string buffer(kBlock + 4, '\0');
    std::size_t kept = 0;
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t got = read(file.fd(), buffer.data() + kept, kBlock);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw UsageError(option + ": cannot read it: " + std::strerror(errno));
        }
        if (got == 0) {
            return text.Finish(std::string_view(buffer).substr(0, kept));
        }
        total += static_cast<std::uint64_t>(got);
        if (total > kMaxTextBytes) {
            throw tooLong();
        }
        const std::size_t filled = kept + static_cast<std::size_t>(got);
        const std::size_t used = text.Feed(std::string_view(buffer).substr(0, filled));
        kept = filled - used;
        std::memmove(buffer.data(), buffer.data() + used, kept);
    }
}

} // namespace cli
