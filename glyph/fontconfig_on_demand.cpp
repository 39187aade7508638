// fontconfig, opened the first time a run calls it.
//
// A program linked with this file instead of libfontconfig defines the fontconfig functions the
// core calls; the first call opens Debian's shared fontconfig and every later call goes straight
// through to it. A run that never looks a font up by pattern (--font-file) then never loads
// fontconfig and expat, nor spends start-up time relocating them: a whole conversion takes only
// a few milliseconds, so that cost is a large part of it. The library is the system's, so its
// security updates apply as to any shared library.
//
// The core calling a fontconfig function that is not listed below fails to link with the program
// that uses this file: add its row to RASTOVA_FONTCONFIG_FUNCTIONS.
#include "glyph/library_on_demand.h"

#include <fontconfig/fontconfig.h>
#include <vector>

// Each function as fontconfig.h declares it: return type, name, parameters, arguments.
#define RASTOVA_FONTCONFIG_FUNCTIONS(X)                                                            \
    X(FcBool, FcInit, (void), ())                                                                  \
    X(FcPattern*, FcNameParse, (const FcChar8* name), (name))                                      \
    X(FcPattern*, FcPatternCreate, (void), ())                                                     \
    X(void, FcPatternDestroy, (FcPattern * p), (p))                                                \
    X(FcBool, FcPatternDel, (FcPattern * p, const char* object), (p, object))                      \
    X(FcBool, FcPatternAddInteger, (FcPattern * p, const char* object, int i), (p, object, i))     \
    X(FcBool, FcPatternAddDouble, (FcPattern * p, const char* object, double d), (p, object, d))   \
    X(FcBool, FcPatternAddString, (FcPattern * p, const char* object, const FcChar8* s),           \
      (p, object, s))                                                                              \
    X(FcResult, FcPatternGet, (const FcPattern* p, const char* object, int id, FcValue* v),        \
      (p, object, id, v))                                                                          \
    X(FcResult, FcPatternGetInteger, (const FcPattern* p, const char* object, int n, int* i),      \
      (p, object, n, i))                                                                           \
    X(FcResult, FcPatternGetString, (const FcPattern* p, const char* object, int n, FcChar8** s),  \
      (p, object, n, s))                                                                           \
    X(FcResult, FcPatternGetMatrix, (const FcPattern* p, const char* object, int n, FcMatrix** s), \
      (p, object, n, s))                                                                           \
    X(FcResult, FcPatternGetCharSet,                                                               \
      (const FcPattern* p, const char* object, int n, FcCharSet** c), (p, object, n, c))           \
    X(FcResult, FcPatternGetBool, (const FcPattern* p, const char* object, int n, FcBool* b),      \
      (p, object, n, b))                                                                           \
    X(FcBool, FcConfigSubstitute, (FcConfig * config, FcPattern * p, FcMatchKind kind),            \
      (config, p, kind))                                                                           \
    X(void, FcDefaultSubstitute, (FcPattern * pattern), (pattern))                                 \
    X(FcPattern*, FcFontMatch, (FcConfig * config, FcPattern * p, FcResult * result),              \
      (config, p, result))                                                                         \
    X(FcFontSet*, FcFontSort,                                                                      \
      (FcConfig * config, FcPattern * p, FcBool trim, FcCharSet * *csp, FcResult * result),        \
      (config, p, trim, csp, result))                                                              \
    X(void, FcFontSetDestroy, (FcFontSet * s), (s))                                                \
    X(FcPattern*, FcFontRenderPrepare, (FcConfig * config, FcPattern * pat, FcPattern * font),     \
      (config, pat, font))                                                                         \
    X(FcBool, FcCharSetHasChar, (const FcCharSet* fcs, FcChar32 ucs4), (fcs, ucs4))                \
    X(FcObjectSet*, FcObjectSetCreate, (void), ())                                                 \
    X(FcBool, FcObjectSetAdd, (FcObjectSet * os, const char* object), (os, object))                \
    X(void, FcObjectSetDestroy, (FcObjectSet * os), (os))                                          \
    X(FcFontSet*, FcFontList, (FcConfig * config, FcPattern * p, FcObjectSet * os), (config, p, os))

// The library as Debian installs it (package libfontconfig1; a library that cannot be used fails on
// the first call, FcInit, before any font is looked up).
RASTOVA_LIBRARY_ON_DEMAND(RASTOVA_FONTCONFIG_FUNCTIONS, "libfontconfig.so.1")
