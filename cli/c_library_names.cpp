#include "cli/c_library_names.h"

#include <algorithm>
#include <iterator>

namespace cli {

namespace {

// Functions and objects of the standard headers other than <math.h> and <complex.h>, and the
// names those headers' future directions add. Names the prefixes below cover (is..., to...,
// str..., mem..., wcs..., atomic_..., cnd_..., mtx_..., thrd_..., tss_...) are left out.
constexpr std::string_view kNames[] = {
    // <errno.h>, <fenv.h>, <inttypes.h>, <locale.h>, <setjmp.h>, <signal.h>
    "errno", "feclearexcept", "fegetexceptflag", "feraiseexcept", "fesetexceptflag", "fetestexcept",
    "fegetround", "fesetround", "fegetenv", "feholdexcept", "fesetenv", "feupdateenv", "imaxabs",
    "imaxdiv", "setlocale", "localeconv", "longjmp", "setjmp", "signal", "raise",
    // <stdio.h>
    "stdin", "stdout", "stderr", "remove", "rename", "tmpfile", "tmpnam", "fclose", "fflush",
    "fopen", "freopen", "setbuf", "setvbuf", "fprintf", "fscanf", "printf", "scanf", "snprintf",
    "sprintf", "sscanf", "vfprintf", "vfscanf", "vprintf", "vscanf", "vsnprintf", "vsprintf",
    "vsscanf", "fgetc", "fgets", "fputc", "fputs", "getc", "getchar", "gets", "putc", "putchar",
    "puts", "ungetc", "fread", "fwrite", "fgetpos", "fseek", "fsetpos", "ftell", "rewind",
    "clearerr", "feof", "ferror", "perror",
    // <stdlib.h>
    "atof", "atoi", "atol", "atoll", "rand", "srand", "aligned_alloc", "calloc", "free", "malloc",
    "realloc", "abort", "atexit", "at_quick_exit", "exit", "getenv", "quick_exit", "system",
    "bsearch", "qsort", "abs", "labs", "llabs", "div", "ldiv", "lldiv", "mblen", "mbtowc", "wctomb",
    "mbstowcs", "wcstombs",
    // <threads.h>, <time.h>, <uchar.h>
    "call_once", "clock", "difftime", "mktime", "time", "timespec_get", "asctime", "ctime",
    "gmtime", "localtime", "mbrtoc16", "c16rtomb", "mbrtoc32", "c32rtomb",
    // <wchar.h>, <wctype.h>
    "fwprintf", "fwscanf", "swprintf", "swscanf", "vfwprintf", "vfwscanf", "vswprintf", "vswscanf",
    "vwprintf", "vwscanf", "wprintf", "wscanf", "fgetwc", "fgetws", "fputwc", "fputws", "fwide",
    "getwc", "getwchar", "putwc", "putwchar", "ungetwc", "wmemcpy", "wmemmove", "wmemcmp",
    "wmemchr", "wmemset", "btowc", "wctob", "mbsinit", "mbrlen", "mbrtowc", "wcrtomb", "mbsrtowcs",
    "wcsrtombs", "wctype", "wctrans"};

// <math.h> and <complex.h> functions, each also with the suffixes f and l (7.12, 7.3, 7.31.1).
constexpr std::string_view kMathNames[] = {
    "acos", "asin", "atan", "atan2", "cos", "sin", "tan", "acosh", "asinh", "atanh", "cosh", "sinh",
    "tanh", "exp", "exp2", "expm1", "frexp", "ilogb", "ldexp", "log", "log10", "log1p", "log2",
    "logb", "modf", "scalbn", "scalbln", "cbrt", "fabs", "hypot", "pow", "sqrt", "erf", "erfc",
    "lgamma", "tgamma", "ceil", "floor", "nearbyint", "rint", "lrint", "llrint", "round", "lround",
    "llround", "trunc", "fmod", "remainder", "remquo", "copysign", "nan", "nextafter", "nexttoward",
    "fdim", "fmax", "fmin", "fma",
    // <complex.h>, and its future directions
    "cacos", "casin", "catan", "ccos", "csin", "ctan", "cacosh", "casinh", "catanh", "ccosh",
    "csinh", "ctanh", "cexp", "clog", "cabs", "cpow", "csqrt", "carg", "cimag", "conj", "cproj",
    "creal", "cerf", "cerfc", "cexp2", "cexpm1", "clog10", "clog1p", "clog2", "clgamma", "ctgamma"};

// Prefixes 7.31 reserves for functions when a lowercase letter follows, and the headers that
// reserve them.
struct Prefix {
    std::string_view prefix;
    std::string_view header;
};
constexpr Prefix kPrefixes[] = {
    {"is", "<ctype.h> and <wctype.h>"},
    {"to", "<ctype.h> and <wctype.h>"},
    {"str", "<stdlib.h> and <string.h>"},
    {"mem", "<string.h>"},
    {"wcs", "<string.h> and <wchar.h>"},
    {"atomic_", "<stdatomic.h>"},
    {"cnd_", "<threads.h>"},
    {"mtx_", "<threads.h>"},
    {"thrd_", "<threads.h>"},
    {"tss_", "<threads.h>"},
};

bool Listed(std::string_view name) {
    if (std::find(std::begin(kNames), std::end(kNames), name) != std::end(kNames)) {
        return true;
    }
    const auto math = [](std::string_view base) {
        return std::find(std::begin(kMathNames), std::end(kMathNames), base) !=
               std::end(kMathNames);
    };
    if (math(name)) {
        return true;
    }
    return (name.ends_with('f') || name.ends_with('l')) && math(name.substr(0, name.size() - 1));
}

} // namespace

std::optional<std::string> CLibraryReservation(std::string_view name) {
    if (Listed(name)) {
        return "is a function or object of the C standard library; an array of that name "
               "would take its place when the program links";
    }
    for (const Prefix& prefix : kPrefixes) {
        if (name.size() > prefix.prefix.size() && name.starts_with(prefix.prefix)) {
            const char next = name[prefix.prefix.size()];
            if (next >= 'a' && next <= 'z') {
                return "is reserved for the C standard library: names beginning with " +
                       std::string(prefix.prefix) + " and a lowercase letter belong to " +
                       std::string(prefix.header);
            }
        }
    }
    return std::nullopt;
}

} // namespace cli
