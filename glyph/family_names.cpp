#include "glyph/family_names.h"

#include <algorithm>
#include <fontconfig/fontconfig.h>
#include <iterator>
#include <memory>
#include <numeric>
#include <utility>

namespace glyph {

namespace {

struct PatternDeleter {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
struct ObjectSetDeleter {
    void operator()(FcObjectSet* set) const { FcObjectSetDestroy(set); }
};
struct FontSetDeleter {
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::vector<std::string> FamiliesOf(FcPattern* pattern) {
    std::vector<std::string> families;
    FcChar8* value = nullptr;
    for (int n = 0; FcPatternGetString(pattern, FC_FAMILY, n, &value) == FcResultMatch; ++n) {
        families.emplace_back(reinterpret_cast<const char*>(value));
    }
    return families;
}

// The families fontconfig's configuration puts after `family` in a request for it alone.
std::vector<std::string> SubstitutesFor(std::string_view family) {
    const std::unique_ptr<FcPattern, PatternDeleter> request(FcPatternCreate());
    const std::string name(family);
    FcPatternAddString(request.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
    FcConfigSubstitute(nullptr, request.get(), FcMatchPattern);
    std::vector<std::string> families = FamiliesOf(request.get());
    if (!families.empty()) {
        families.erase(families.begin());
    }
    return families;
}

// Levenshtein distance, ignoring ASCII case.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    std::iota(row.begin(), row.end(), std::size_t{0});
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const std::size_t change = diagonal + (Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1);
            row[j] = std::min({change, above + 1, row[j - 1] + 1});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// Every family name of every installed face, each once.
std::vector<std::string> InstalledFamilies() {
    const std::unique_ptr<FcPattern, PatternDeleter> all(FcPatternCreate());
    const std::unique_ptr<FcObjectSet, ObjectSetDeleter> objects(FcObjectSetCreate());
    if (objects == nullptr || !FcObjectSetAdd(objects.get(), FC_FAMILY)) {
        return {};
    }
    const std::unique_ptr<FcFontSet, FontSetDeleter> set(
        FcFontList(nullptr, all.get(), objects.get()));
    std::vector<std::string> families;
    for (int i = 0; set != nullptr && i < set->nfont; ++i) {
        for (std::string& family : FamiliesOf(set->fonts[i])) {
            if (std::none_of(families.begin(), families.end(),
                             [&](const std::string& have) { return SameFamily(have, family); })) {
                families.push_back(std::move(family));
            }
        }
    }
    return families;
}

} // namespace

bool SameFamily(std::string_view a, std::string_view b) {
    const auto next = [](std::string_view s, std::size_t& i) -> int {
        while (i < s.size() && s[i] == ' ') {
            ++i;
        }
        return i == s.size() ? -1 : static_cast<unsigned char>(Lower(s[i++]));
    };
    std::size_t i = 0;
    std::size_t j = 0;
    for (;;) {
        const int x = next(a, i);
        if (x != next(b, j)) {
            return false;
        }
        if (x < 0) {
            return true;
        }
    }
}

bool IsGenericFamily(std::string_view family) {
    static constexpr std::string_view kGeneric[] = {"sans-serif", "sans",    "serif",   "monospace",
                                                    "mono",       "cursive", "fantasy", "system-ui",
                                                    "emoji",      "math"};
    return std::any_of(std::begin(kGeneric), std::end(kGeneric),
                       [&](std::string_view generic) { return SameFamily(family, generic); });
}

bool IsConfiguredFamily(std::string_view family) {
    // A name no rule can mention: what it gets is what every unknown name gets.
    static constexpr std::string_view kUnknown = "Rastova Unconfigured Family \x01";
    return IsGenericFamily(family) || SubstitutesFor(family) != SubstitutesFor(kUnknown);
}

std::string NamedFamily(std::string_view pattern) {
    const std::string text(pattern);
    const std::unique_ptr<FcPattern, PatternDeleter> parsed(
        FcNameParse(reinterpret_cast<const FcChar8*>(text.c_str())));
    if (parsed == nullptr) {
        return {};
    }
    for (std::string& family : FamiliesOf(parsed.get())) {
        if (!IsGenericFamily(family)) {
            return family;
        }
    }
    return {};
}

std::vector<std::string> ClosestFamilies(std::string_view family, std::size_t most) {
    std::vector<std::pair<std::size_t, std::string>> ranked;
    for (std::string& installed : InstalledFamilies()) {
        ranked.emplace_back(EditDistance(family, installed), std::move(installed));
    }
    std::sort(ranked.begin(), ranked.end());
    std::vector<std::string> closest;
    for (std::size_t i = 0; i < ranked.size() && i < most; ++i) {
        closest.push_back(std::move(ranked[i].second));
    }
    return closest;
}

} // namespace glyph
