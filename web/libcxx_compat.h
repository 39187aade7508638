// What the C++ library of Debian's emscripten (libc++ of LLVM 14's time) lacks of C++20 and our
// code uses, for the web module only: included before every source file of its build. Each piece
// behaves as the standard says for the uses in glyph/, formats/ and cli/; the web test compares
// the module's output with the native program's byte for byte.
#pragma once

#ifdef __cplusplus

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <system_error>
#include <type_traits>

namespace std {

#if !defined(__cpp_lib_smart_ptr_for_overwrite)
template <class T>
requires is_unbounded_array_v<T> unique_ptr<T> make_unique_for_overwrite(size_t size) {
    return unique_ptr<T>(new remove_extent_t<T>[size]);
}
#endif

namespace ranges {
// sort(range, comparison, projection), as std::ranges::sort sorts a random-access range.
template <class Range, class Compare = std::less<>, class Project = std::identity>
void sort(Range&& range, Compare compare = {}, Project project = {}) {
    std::sort(range.begin(), range.end(), [&](const auto& a, const auto& b) {
        return std::invoke(compare, std::invoke(project, a), std::invoke(project, b));
    });
}
} // namespace ranges

namespace rastova_compat {

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Whether [p, last) starts with `word`, in any case.
inline bool StartsWithWord(const char* p, const char* last, const char* word) {
    const size_t length = strlen(word);
    if (static_cast<size_t>(last - p) < length) {
        return false;
    }
    for (size_t i = 0; i < length; ++i) {
        if ((p[i] | 0x20) != word[i]) {
            return false;
        }
    }
    return true;
}

// The end of the longest prefix of [first, last) that from_chars' general format reads, or
// nullptr when none: -?(digits[.digits]|.digits)([eE][+-]?digits)?, inf, infinity, nan.
inline const char* FloatEnd(const char* first, const char* last) {
    const char* p = first < last && *first == '-' ? first + 1 : first;
    if (StartsWithWord(p, last, "infinity")) {
        return p + 8;
    }
    if (StartsWithWord(p, last, "inf") || StartsWithWord(p, last, "nan")) {
        return p + 3;
    }
    const char* digits = p;
    while (p < last && IsDigit(*p)) {
        ++p;
    }
    bool any = p > digits;
    if (p < last && *p == '.') {
        const char* fraction = ++p;
        while (p < last && IsDigit(*p)) {
            ++p;
        }
        any = any || p > fraction;
    }
    if (!any) {
        return nullptr;
    }
    if (p < last && (*p == 'e' || *p == 'E')) {
        const char* exponent = p + 1;
        if (exponent < last && (*exponent == '+' || *exponent == '-')) {
            ++exponent;
        }
        const char* end = exponent;
        while (end < last && IsDigit(*end)) {
            ++end;
        }
        if (end > exponent) {
            p = end;
        }
    }
    return p;
}

} // namespace rastova_compat

inline from_chars_result from_chars(const char* first, const char* last, double& value) {
    const char* end = rastova_compat::FloatEnd(first, last);
    if (end == nullptr) {
        return {first, errc::invalid_argument};
    }
    const string text(first, end);
    errno = 0;
    const double read = strtod(text.c_str(), nullptr);
    if (errno == ERANGE) {
        return {end, errc::result_out_of_range};
    }
    value = read;
    return {end, errc()};
}

// The shortest text that reads back as `value`: fixed or scientific notation, whichever is
// shorter, fixed on a tie.
inline to_chars_result to_chars(char* first, char* last, float value) {
    char scientific[32];
    for (int precision = 0; precision < 9; ++precision) {
        snprintf(scientific, sizeof scientific, "%.*e", precision, static_cast<double>(value));
        if (strtof(scientific, nullptr) == value) {
            break;
        }
    }
    string text = scientific;
    const size_t e = text.find('e');
    if (e != string::npos) {
        const bool negative = text[0] == '-';
        string digits;
        for (size_t i = negative ? 1 : 0; i < e; ++i) {
            if (text[i] != '.') {
                digits += text[i];
            }
        }
        const int exponent = atoi(text.c_str() + e + 1);
        string fixed;
        if (exponent >= 0) {
            fixed = digits;
            if (static_cast<int>(fixed.size()) < exponent + 1) {
                fixed.append(static_cast<size_t>(exponent + 1) - fixed.size(), '0');
            } else if (static_cast<int>(fixed.size()) > exponent + 1) {
                fixed.insert(static_cast<size_t>(exponent + 1), ".");
            }
        } else {
            fixed = "0." + string(static_cast<size_t>(-exponent - 1), '0') + digits;
        }
        if (negative) {
            fixed.insert(0, "-");
        }
        if (fixed.size() <= text.size()) {
            text = fixed;
        }
    }
    if (text.size() > static_cast<size_t>(last - first)) {
        return {last, errc::value_too_large};
    }
    memcpy(first, text.data(), text.size());
    return {first + text.size(), errc()};
}

} // namespace std

#endif
