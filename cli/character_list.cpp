#include "cli/character_list.h"

#include "cli/printable.h"
#include "cli/usage_error.h"
#include "glyph/cp1251.h"

#include <algorithm>

namespace cli {

namespace {

constexpr char32_t kLastCodePoint = 0x10FFFF;
constexpr char32_t kFirstSurrogate = 0xD800;
constexpr char32_t kLastSurrogate = 0xDFFF;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

int DigitValue(char c, int base) {
    int value = base;
    if (c >= '0' && c <= '9') {
        value = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        value = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        value = c - 'A' + 10;
    }
    return value < base ? value : -1;
}

bool Overlap(char32_t first1, char32_t last1, char32_t first2, char32_t last2) {
    return first1 <= last2 && first2 <= last1;
}

// `name` is how messages quote the range: the remap itself when its target range is checked.
void CheckCharacters(CodeRange range, const std::string& name, std::string_view what = "") {
    if (range.first <= kLastSurrogate && range.last >= kFirstSurrogate) {
        throw UsageError(
            "--range: " + name + std::string(what) +
            (range.first == range.last ? " is a surrogate" : " holds surrogates (U+D800-U+DFFF)") +
            ", not characters");
    }
    // Controls lie in U+0000-U+001F and U+007F-U+009F.
    if (range.first <= 0x1F || (range.first <= 0x9F && range.last >= 0x7F)) {
        throw UsageError(
            "--range: " + name + std::string(what) +
            (range.first == range.last ? " is a control code" : " holds control codes") +
            ", which draw nothing");
    }
}

// The codes a remap writes at: target.. for as many as it takes, within the code space and
// free of surrogates and control codes.
CodeRange TargetRange(CodeRange range) {
    const char32_t count = range.last - range.first;
    if (*range.target > kLastCodePoint - count) {
        throw UsageError("--range: " + RangeName(range) + " would write past U+10FFFF");
    }
    const CodeRange target{*range.target, *range.target + count, std::nullopt};
    CheckCharacters(target, RangeName(range), ": the target");
    return target;
}

// One item of a list: a code point or range, optionally remapped.
CodeRange ParseRangeItem(std::string_view item) {
    const std::size_t arrow = item.find("=>");
    const std::string_view codes = Trim(item.substr(0, arrow));
    // The dash between two code points; a leading dash is not one.
    const std::size_t dash = codes.find('-', 1);
    CodeRange range;
    if (dash == std::string_view::npos) {
        range.first = range.last = ParseCodePoint(codes, "--range");
    } else {
        range.first = ParseCodePoint(codes.substr(0, dash), "--range");
        range.last = ParseCodePoint(codes.substr(dash + 1), "--range");
        if (range.first > range.last) {
            throw UsageError("--range: " + Printable(codes) +
                             " is reversed: the first code point is above the last");
        }
    }
    CheckCharacters(range, RangeName(range));
    if (arrow != std::string_view::npos) {
        range.target = ParseCodePoint(item.substr(arrow + 2), "--range");
        TargetRange(range);
    }
    return range;
}

} // namespace

std::string RangeName(CodeRange range) {
    std::string name = range.first == range.last
                           ? CodeName(range.first)
                           : CodeName(range.first) + "-" + CodeName(range.last);
    if (range.target) {
        name += "=>" + CodeName(*range.target);
    }
    return name;
}

char32_t ParseCodePoint(std::string_view token, std::string_view option) {
    const std::string_view text = Trim(token);
    std::string_view digits = text;
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X") || digits.starts_with("U+") ||
        digits.starts_with("u+")) {
        digits.remove_prefix(2);
        base = 16;
    }
    if (digits.empty()) {
        throw UsageError(std::string(option) + ": '" + Printable(text) +
                         "' is not a code point (write 0x41, U+0041 or 65)");
    }
    // Saturates just past the last code point, so long inputs cannot overflow.
    unsigned long value = 0;
    for (char c : digits) {
        const int digit = DigitValue(c, base);
        if (digit < 0) {
            throw UsageError(std::string(option) + ": '" + Printable(text) +
                             "' is not a code point (write 0x41, U+0041 or 65)");
        }
        value = std::min<unsigned long>(value * base + digit, kLastCodePoint + 1UL);
    }
    if (value > kLastCodePoint) {
        throw UsageError(std::string(option) + ": " + Printable(text) + " is above U+10FFFF");
    }
    return static_cast<char32_t>(value);
}

std::vector<CodeRange> ParseRangeList(std::string_view list) {
    if (Trim(list).empty()) {
        throw UsageError("--range: the list is empty");
    }
    std::vector<CodeRange> ranges;
    for (;;) {
        const std::size_t comma = list.find(',');
        const std::string_view item = Trim(list.substr(0, comma));
        if (item.empty()) {
            throw UsageError("--range: an empty item in the list");
        }
        ranges.push_back(ParseRangeItem(item));
        if (comma == std::string_view::npos) {
            return ranges;
        }
        list.remove_prefix(comma + 1);
    }
}

std::u32string NamedSet(std::string_view name) {
    std::u32string set;
    for (char32_t c = 0x20; c <= 0x7E; ++c) {
        set += c;
    }
    if (name == "ascii") {
        return set;
    }
    if (name == "cp1251") {
        for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
            if (const auto c = glyph::Cp1251Char(static_cast<std::uint8_t>(byte))) {
                set += *c;
            }
        }
        return set;
    }
    throw UsageError("--set: '" + Printable(name) + "' is not a set (ascii, cp1251)");
}

void CharacterList::Add(char32_t c) {
    if (seen_.insert(c).second) {
        order_ += c;
    } else if (remapped_.contains(c)) {
        throw UsageError("--range: " + RangeName(RemapOf(c)) + " writes at " + CodeName(c) +
                         ", which is asked for as it is too");
    }
}

void CharacterList::Add(std::u32string_view text) {
    for (char32_t c : text) {
        Add(c);
    }
}

void CharacterList::Add(CodeRange range) {
    if (range.target) {
        AddRemap(range);
        return;
    }
    for (char32_t c = range.first;; ++c) {
        Add(c);
        if (c == range.last) {
            return;
        }
    }
}

CodeRange CharacterList::RemapOf(char32_t code) const {
    for (const CodeRange& remap : remaps_) {
        const CodeRange target = TargetRange(remap);
        if (code >= target.first && code <= target.last) {
            return remap;
        }
    }
    return {code, code, std::nullopt};
}

void CharacterList::AddRemap(CodeRange range) {
    const CodeRange target = TargetRange(range);
    if (std::find(remaps_.begin(), remaps_.end(), range) != remaps_.end()) {
        return; // the same remap again
    }
    if (Overlap(target.first, target.last, range.first, range.last) &&
        target.first != range.first) {
        throw UsageError("--range: " + RangeName(range) +
                         " makes a chain: it writes at characters it remaps");
    }
    for (const CodeRange& other : remaps_) {
        const CodeRange otherTarget = TargetRange(other);
        if (Overlap(range.first, range.last, other.first, other.last)) {
            throw UsageError("--range: the remaps " + RangeName(other) + " and " +
                             RangeName(range) + " overlap");
        }
        if (Overlap(target.first, target.last, other.first, other.last) ||
            Overlap(otherTarget.first, otherTarget.last, range.first, range.last)) {
            throw UsageError("--range: the remaps " + RangeName(other) + " and " +
                             RangeName(range) +
                             " make a chain: one writes at a character the other remaps");
        }
        if (Overlap(target.first, target.last, otherTarget.first, otherTarget.last)) {
            throw UsageError("--range: the remaps " + RangeName(other) + " and " +
                             RangeName(range) + " write at the same characters");
        }
    }
    for (char32_t c = target.first;; ++c) {
        if (seen_.contains(c)) {
            throw UsageError("--range: " + RangeName(range) + " writes at " + CodeName(c) +
                             ", which is asked for as it is too");
        }
        if (c == target.last) {
            break;
        }
    }
    remaps_.push_back(range);
    for (char32_t c = target.first;; ++c) {
        seen_.insert(c);
        order_ += c;
        remapped_.emplace(c, range.first + (c - target.first));
        if (c == target.last) {
            return;
        }
    }
}

} // namespace cli
