#include "formats/lvgl_compress.h"

#include <algorithm>
#include <array>

namespace formats {

namespace {

// The run-length code's constants: the 1 bits that repeat a pixel before a count follows, and
// the count's width.
constexpr int kRepeatBits = 11;
constexpr int kCountBits = 6;
constexpr int kMaxCount = (1 << kCountBits) - 1;
// A run written with a count: two pixels, 11 ones and the count C hold 12 + C copies.
constexpr int kLongestSegment = 12 + kMaxCount;
// Runs up to this long are cut by the table below; longer ones lose segments of the longest
// kind from their front first.
constexpr int kTableRuns = 4 * kLongestSegment;
// More bits than any run in the table takes: no writing.
constexpr int kNoWriting = 1 << 28;

// How a run of n equal pixels is best written, for one pixel depth. A run starts where the pixel
// before it differs or is read fresh; it is cut into segments that each end with the next pixel
// read fresh: "p p 1^k 0" (k + 2 copies, k <= 10) or "p p 1^11 C" (12 + C copies). Its last
// piece may instead be a lone "p", after which a different pixel follows.
struct RunTable {
    // fresh[n]: the fewest bits for n copies that leave the next pixel read fresh; cut[n]: the
    // copies the last segment of that writing holds.
    std::array<int, kTableRuns + 1> fresh{};
    std::array<int, kTableRuns + 1> cut{};
};

constexpr int SegmentBits(int bpp, int copies) {
    return copies <= 12 ? 2 * bpp + copies - 1 : 2 * bpp + kRepeatBits + kCountBits;
}

constexpr RunTable MakeRunTable(int bpp) {
    RunTable table;
    for (int n = 1; n <= kTableRuns; ++n) {
        table.fresh[n] = kNoWriting;
        for (int copies = 2; copies <= std::min(n, kLongestSegment); ++copies) {
            const int bits = table.fresh[n - copies] + SegmentBits(bpp, copies);
            if (bits < table.fresh[n]) {
                table.fresh[n] = bits;
                table.cut[n] = copies;
            }
        }
    }
    return table;
}

// Each depth's table, 1 to 8 bits, made by the compiler.
constexpr std::array<RunTable, 8> kRunTables{MakeRunTable(1), MakeRunTable(2), MakeRunTable(3),
                                             MakeRunTable(4), MakeRunTable(5), MakeRunTable(6),
                                             MakeRunTable(7), MakeRunTable(8)};

const RunTable& RunTableFor(int bpp) {
    return kRunTables[static_cast<std::size_t>(std::clamp(bpp, 1, 8) - 1)];
}

// Bits most significant first into bytes, a few at a time.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    // The low `bits` bits of `value` (at most 24), the highest first; value has no others set.
    void Write(unsigned value, int bits) {
        pending_ = pending_ << bits | value;
        count_ += bits;
        used_ += static_cast<std::size_t>(bits);
        while (count_ >= 8) {
            count_ -= 8;
            bytes_.push_back(static_cast<std::uint8_t>(pending_ >> count_));
        }
        pending_ &= (1U << count_) - 1;
    }
    // Takes back the last bit written, a 0.
    void Unwrite() { --used_; }
    // Pads the last byte with 0 bits.
    void Finish() {
        if (count_ > 0) {
            bytes_.push_back(static_cast<std::uint8_t>(pending_ << (8 - count_)));
        }
        bytes_.resize((used_ + 7) / 8);
    }

private:
    std::vector<std::uint8_t>& bytes_;
    unsigned pending_ = 0; // bits not yet in a byte, the oldest highest
    int count_ = 0;
    std::size_t used_ = 0;
};

// Counts the bits a BitWriter would write.
class BitCounter {
public:
    void Write(unsigned, int bits) { used_ += static_cast<std::size_t>(bits); }
    void Unwrite() { --used_; }
    std::size_t Bytes() const { return (used_ + 7) / 8; }

private:
    std::size_t used_ = 0;
};

// Writes one segment of `copies` copies of `pixel` that leaves the next pixel read fresh.
template <typename Out> void WriteSegment(Out& out, unsigned pixel, int copies, int bpp) {
    out.Write(pixel << bpp | pixel, 2 * bpp);
    if (copies <= 12) {
        // copies - 2 ones, then the closing 0.
        out.Write(((1U << (copies - 2)) - 1) << 1, copies - 1);
        return;
    }
    out.Write((1U << kRepeatBits) - 1, kRepeatBits);
    out.Write(static_cast<unsigned>(copies - 12), kCountBits);
}

// Writes a run of `length` copies of `pixel`; returns whether it ended on a segment's closing 0.
template <typename Out>
bool WriteRun(Out& out, const RunTable& table, unsigned pixel, std::size_t length, int bpp) {
    while (length > static_cast<std::size_t>(kTableRuns)) {
        WriteSegment(out, pixel, kLongestSegment, bpp);
        length -= kLongestSegment;
    }
    auto n = static_cast<int>(length);
    // A lone pixel last, or segments only: whichever takes fewer bits.
    const bool lone = n == 1 || table.fresh[n - 1] + bpp < table.fresh[n];
    int rest = lone ? n - 1 : n;
    bool closingZero = false;
    while (rest > 0) {
        const int copies = table.cut[rest];
        WriteSegment(out, pixel, copies, bpp);
        closingZero = copies <= 12;
        rest -= copies;
    }
    if (lone) {
        out.Write(pixel, bpp);
        closingZero = false;
    }
    return closingZero;
}

// The pixels of a glyph as the run-length code takes them: with the prefilter, each row but the
// first XORed with the row above. Reuses `pixels`.
void Prefiltered(std::span<const std::uint8_t> levels, std::size_t width, std::size_t count,
                 bool prefilter, std::vector<std::uint8_t>& pixels) {
    pixels.assign(levels.begin(), levels.begin() + static_cast<long>(count));
    if (prefilter) {
        for (std::size_t i = count; i-- > width;) {
            pixels[i] ^= pixels[i - width];
        }
    }
}

// Codes `count` pixels into `out`.
template <typename Out> void Encode(std::span<const std::uint8_t> pixels, int bpp, Out& out) {
    const RunTable& table = RunTableFor(bpp);
    bool closingZero = false;
    for (std::size_t i = 0; i < pixels.size();) {
        std::size_t end = i + 1;
        while (end < pixels.size() && pixels[end] == pixels[i]) {
            ++end;
        }
        closingZero = WriteRun(out, table, pixels[i], end - i, bpp);
        i = end;
    }
    // Nothing is read after the last pixel: a closing 0 there is not needed.
    if (closingZero) {
        out.Unwrite();
    }
}

} // namespace

bool LvglDecompresses(int version, int bpp) {
    if (version == 8) {
        return bpp == 1 || bpp == 2 || bpp == 3 || bpp == 4 || bpp == 8;
    }
    return bpp == 2 || bpp == 3 || bpp == 4;
}

std::string LvglCompressedDepths(int version) {
    return version == 8 ? "1, 2, 3, 4 and 8" : "2, 3 and 4";
}

std::vector<std::uint8_t> UnpackLevels(std::span<const std::uint8_t> packed, std::size_t count,
                                       int bpp) {
    std::vector<std::uint8_t> levels(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        unsigned value = 0;
        for (int b = 0; b < bpp; ++b) {
            const std::size_t bit = i * static_cast<std::size_t>(bpp) + static_cast<std::size_t>(b);
            value = (value << 1) | ((packed[bit / 8] >> (7 - bit % 8)) & 1U);
        }
        levels[i] = static_cast<std::uint8_t>(value);
    }
    return levels;
}

std::vector<std::uint8_t> PackLevels(std::span<const std::uint8_t> levels, int bpp) {
    std::vector<std::uint8_t> bytes;
    BitWriter out(bytes);
    for (std::uint8_t level : levels) {
        out.Write(level, bpp);
    }
    out.Finish();
    return bytes;
}

std::vector<std::uint8_t> CompressLevels(std::span<const std::uint8_t> levels, int width,
                                         int height, int bpp, bool prefilter) {
    std::vector<std::uint8_t> code;
    std::vector<std::uint8_t> pixels;
    CompressLevels(levels, width, height, bpp, prefilter, pixels, code);
    return code;
}

void CompressLevels(std::span<const std::uint8_t> levels, int width, int height, int bpp,
                    bool prefilter, std::vector<std::uint8_t>& pixels,
                    std::vector<std::uint8_t>& code) {
    code.clear();
    if (width <= 0 || height <= 0) {
        return;
    }
    const auto w = static_cast<std::size_t>(width);
    const std::size_t count = w * static_cast<std::size_t>(height);
    Prefiltered(levels, w, count, prefilter, pixels);
    // Room for the usual case: the code is rarely longer than the levels packed.
    code.reserve(count * static_cast<std::size_t>(bpp) / 8 + 8);
    BitWriter out(code);
    Encode(pixels, bpp, out);
    out.Finish();
}

std::size_t CompressedSize(std::span<const std::uint8_t> levels, int width, int height, int bpp,
                           bool prefilter, std::vector<std::uint8_t>& pixels) {
    if (width <= 0 || height <= 0) {
        return 0;
    }
    const auto w = static_cast<std::size_t>(width);
    Prefiltered(levels, w, w * static_cast<std::size_t>(height), prefilter, pixels);
    BitCounter out;
    Encode(pixels, bpp, out);
    return out.Bytes();
}

std::vector<std::uint8_t> DecompressLevels(std::span<const std::uint8_t> code, int width,
                                           int height, int bpp, bool prefilter) {
    if (width <= 0 || height <= 0) {
        return {};
    }
    std::size_t at = 0;
    const auto read = [&](int bits) {
        unsigned value = 0;
        for (int b = 0; b < bits; ++b, ++at) {
            const unsigned bit = at / 8 < code.size() ? (code[at / 8] >> (7 - at % 8)) & 1U : 0U;
            value = (value << 1) | bit;
        }
        return value;
    };
    const auto w = static_cast<std::size_t>(width);
    const std::size_t count = w * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> levels(count, 0);
    enum class State { Single, Repeat, Counter } state = State::Single;
    unsigned previous = 0;
    int repeats = 0;
    for (std::size_t i = 0; i < count; ++i) {
        unsigned pixel = previous;
        if (state == State::Single) {
            pixel = read(bpp);
            if (i != 0 && pixel == previous) {
                state = State::Repeat;
                repeats = 0;
            }
        } else if (state == State::Repeat) {
            if (read(1) == 0) {
                pixel = read(bpp);
                state = State::Single;
            } else if (++repeats == kRepeatBits) {
                repeats = static_cast<int>(read(kCountBits));
                if (repeats == 0) {
                    pixel = read(bpp);
                    state = State::Single;
                } else {
                    state = State::Counter;
                }
            }
        } else if (--repeats == 0) {
            pixel = read(bpp);
            state = State::Single;
        }
        previous = pixel;
        levels[i] = static_cast<std::uint8_t>(pixel);
    }
    if (prefilter) {
        for (std::size_t i = w; i < count; ++i) {
            levels[i] ^= levels[i - w];
        }
    }
    return levels;
}

} // namespace formats
