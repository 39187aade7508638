// Font files the tests draw with, found by fontconfig so no folder is written into a test.
#pragma once

#include <fontconfig/fontconfig.h>
#include <stdexcept>
#include <string>

namespace testfonts {

// The file fontconfig picks for `pattern`, e.g. "DejaVu Sans:bold".
inline std::string FileFor(const char* pattern) {
    FcPattern* request = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, request, &result);
    FcPatternDestroy(request);
    FcChar8* file = nullptr;
    std::string path;
    if (match != nullptr && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
        path = reinterpret_cast<const char*>(file);
    }
    if (match != nullptr) {
        FcPatternDestroy(match);
    }
    if (path.empty()) {
        throw std::runtime_error(std::string("no font file for ") + pattern);
    }
    return path;
}

inline const std::string& DejaVuSans() {
    static const std::string path = FileFor("DejaVu Sans:style=Book");
    return path;
}

} // namespace testfonts
