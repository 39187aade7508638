# rastova_add_font(): a font that the project's own build makes with rastova-convert.
#
#   rastova_add_font(<target> NAME <symbol>
#                    FORMAT <a format: rastova-convert --list-formats>
#                    (FONT <fontconfig pattern> | FONT_FILE <path> [FACE_INDEX <n>])
#                    SIZE <10|9.75pt|16px> [BOLD] [ITALIC]
#                    [TEXT <utf-8>] [RANGE <list>] [SET ascii|cp1251] [TEXT_FILE <file>...]
#                    [ENCODING unicode|cp1251]
#                    [BPP 1|2|3|4|8] [COMPRESS] [NO_KERNING] [HINTING normal|light|none|auto]
#                    [OPTIONS <further rastova-convert arguments>...])
#
# Makes ${CMAKE_CURRENT_BINARY_DIR}/rastova/<symbol>.<ext> at build time and remakes it when an
# argument, the font file, a TEXT_FILE or rastova-convert changes, and at no other time:
#
#   FORMAT            made                     added to <target>    declared in <symbol>.h
#   table             <symbol>.c               the source           const unsigned char <symbol>[]
#   gfx               <symbol>.c               the source           const GFXfont <symbol>
#   lvgl              <symbol>.c               the source           const lv_font_t <symbol>
#   u8g2, ssd1306     <symbol>.c               the source           const uint8_t <symbol>[]
#   raw               <symbol>.c               the source           const unsigned char
#                                                                   <symbol>[COUNT][BYTES] and
#                                                                   the <symbol>_* sizes
#   vlw               <symbol>.c               the source           const uint8_t <symbol>[], for
#                                                                   loadFont(<symbol>)
#   xbm               <symbol>.xbm             a dependency         none: #include "<symbol>.xbm"
#                                                                   in one source, as XBM is used
#   bdf               <symbol>.bdf             a dependency         none: BDF is not C
#
# The source compiles as C with <target>'s own include folders and definitions, so it finds the
# display library's header (Adafruit_GFX.h, lvgl.h, u8g2.h) as a hand-written source would.
# <symbol>.h, written now and rewritten only when NAME or FORMAT changes, includes what declares
# the type (gfxfont.h, lvgl.h, stdint.h) and serves C and C++. A raw font's header is made with
# the font, as its record size is known only then. The folder of both is added to
# <target>'s include folders (PUBLIC, build tree only).
#
# FONT is resolved to a file now, with fc-match, so that the build depends on that file; re-run
# CMake after installing or removing fonts. A FONT family that is not installed stops CMake,
# also when it was installed at an earlier run: the file it resolves to changes, so the command
# line is checked again and rastova-convert refuses a family it does not have (generic names and
# fontconfig's aliases resolve). Faces fontconfig falls back to for characters the font lacks
# are not followed. A bad argument stops CMake here: every argument is checked, the
# whole command line by `rastova-convert --dry-run` too (once per change of the arguments).
#
# TEXT_FILE adds every character of each UTF-8 file (rastova-convert --text-file): the
# firmware's strings, a translation, a JSON of messages. A relative path is taken from
# CMAKE_CURRENT_SOURCE_DIR, as FONT_FILE's is, and the file must exist when CMake runs. The files
# are dependencies of the font, so a string that gains a new character makes the next build
# remake it; a file that does not parse as UTF-8 stops that build, naming FILE:LINE:COLUMN.
#
# rastova-convert is RASTOVA_CONVERT_EXECUTABLE (set by find_package(Rastova)); it runs on the
# build machine, also in a cross build.

# Run as a script by a raw font's build step: writes HEADER from the sizes SOURCE defines.
if(CMAKE_SCRIPT_MODE_FILE AND DEFINED RASTOVA_RAW_HEADER)
    file(STRINGS "${SOURCE}" defines REGEX "^#define ${NAME}_[A-Z_]+ (0x)?[0-9A-Fa-f]+$")
    list(JOIN defines "\n" defines)
    set(content "/* ${NAME}: a raw font made by rastova-convert from ${NAME}.args. */
#ifndef RASTOVA_FONT_${NAME}_H
#define RASTOVA_FONT_${NAME}_H

${defines}

#ifdef __cplusplus
extern \"C\" {
#endif

extern const unsigned char ${NAME}[${NAME}_COUNT][${NAME}_BYTES];

#ifdef __cplusplus
}
#endif

#endif
")
    set(old "")
    if(EXISTS "${RASTOVA_RAW_HEADER}")
        file(READ "${RASTOVA_RAW_HEADER}" old)
    endif()
    if(NOT old STREQUAL content)
        file(WRITE "${RASTOVA_RAW_HEADER}" "${content}")
    endif()
    return()
endif()

include_guard(GLOBAL)
cmake_policy(VERSION 3.16)

set(_RASTOVA_MODULE_FILE "${CMAKE_CURRENT_LIST_FILE}")

# Writes `content` to `file` unless it holds that already, so what depends on the file is
# remade only when the content changes.
function(_rastova_write_if_changed file content)
    if(EXISTS "${file}")
        file(READ "${file}" old)
        if(old STREQUAL content)
            return()
        endif()
    endif()
    file(WRITE "${file}" "${content}")
endfunction()

function(_rastova_fail message)
    message(FATAL_ERROR "rastova_add_font: ${message}")
endfunction()

# The formats RASTOVA_CONVERT_EXECUTABLE writes, as it lists them, in `out`; asked once a
# configure run (again if the executable changes).
function(_rastova_formats out)
    get_property(asked GLOBAL PROPERTY _RASTOVA_FORMATS_OF)
    if(NOT asked STREQUAL RASTOVA_CONVERT_EXECUTABLE)
        execute_process(COMMAND "${RASTOVA_CONVERT_EXECUTABLE}" --list-formats
                        OUTPUT_VARIABLE formats ERROR_VARIABLE error RESULT_VARIABLE status)
        string(STRIP "${formats}" formats)
        if(NOT status EQUAL 0 OR formats STREQUAL "")
            string(STRIP "${error}" error)
            _rastova_fail("${RASTOVA_CONVERT_EXECUTABLE} --list-formats lists no formats: "
                          "${status} ${error}")
        endif()
        string(REPLACE "\n" ";" formats "${formats}")
        set_property(GLOBAL PROPERTY _RASTOVA_FORMATS "${formats}")
        set_property(GLOBAL PROPERTY _RASTOVA_FORMATS_OF "${RASTOVA_CONVERT_EXECUTABLE}")
    endif()
    get_property(formats GLOBAL PROPERTY _RASTOVA_FORMATS)
    set(${out} "${formats}" PARENT_SCOPE)
endfunction()

# The file fontconfig picks for FONT with BOLD, ITALIC and SIZE applied as rastova-convert
# applies them, in `out`; empty when fc-match is not there or finds no file.
function(_rastova_font_file out pattern bold italic size)
    set(${out} "" PARENT_SCOPE)
    find_program(RASTOVA_FC_MATCH fc-match NO_CMAKE_FIND_ROOT_PATH
                 DOC "fc-match, which tells rastova_add_font the file a FONT pattern uses")
    mark_as_advanced(RASTOVA_FC_MATCH)
    if(NOT RASTOVA_FC_MATCH)
        get_property(warned GLOBAL PROPERTY _RASTOVA_FC_MATCH_WARNED)
        if(NOT warned)
            set_property(GLOBAL PROPERTY _RASTOVA_FC_MATCH_WARNED TRUE)
            message(WARNING "rastova_add_font: no fc-match: fonts given by FONT are not remade "
                            "when their font file changes")
        endif()
        return()
    endif()
    set(query "${pattern}")
    if(bold)
        string(APPEND query ":weight=bold")
    endif()
    if(italic)
        string(APPEND query ":slant=italic")
    endif()
    if(size MATCHES "^(.*)px$")
        string(APPEND query ":pixelsize=${CMAKE_MATCH_1}")
    else()
        string(REGEX REPLACE "pt$" "" points "${size}")
        string(APPEND query ":size=${points}:dpi=96")
    endif()
    execute_process(COMMAND "${RASTOVA_FC_MATCH}" -f "%{file}" "${query}"
                    OUTPUT_VARIABLE file RESULT_VARIABLE status ERROR_QUIET)
    if(status EQUAL 0 AND IS_ABSOLUTE "${file}" AND EXISTS "${file}")
        set(${out} "${file}" PARENT_SCOPE)
    endif()
endfunction()

function(rastova_add_font target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "BOLD;ITALIC;COMPRESS;NO_KERNING"
                          "NAME;FORMAT;FONT;FONT_FILE;FACE_INDEX;SIZE;TEXT;RANGE;SET;ENCODING;BPP;HINTING"
                          "OPTIONS;TEXT_FILE")

    # The arguments themselves, each refusal naming the one at fault.
    if(ARG_UNPARSED_ARGUMENTS)
        list(GET ARG_UNPARSED_ARGUMENTS 0 unknown)
        _rastova_fail("unknown argument '${unknown}'")
    endif()
    foreach(keyword IN LISTS ARG_KEYWORDS_MISSING_VALUES)
        if(NOT keyword STREQUAL "OPTIONS")
            _rastova_fail("${keyword} needs a value")
        endif()
    endforeach()
    foreach(keyword NAME FORMAT SIZE)
        if(NOT DEFINED ARG_${keyword})
            _rastova_fail("${keyword} is missing")
        endif()
    endforeach()
    if(NOT TARGET "${target}")
        _rastova_fail("'${target}' is not a target")
    endif()
    if(NOT ARG_NAME MATCHES "^[A-Za-z_][A-Za-z0-9_]*$")
        _rastova_fail("NAME '${ARG_NAME}' is not a C identifier")
    endif()
    get_property(names DIRECTORY PROPERTY _RASTOVA_FONT_NAMES)
    if(ARG_NAME IN_LIST names)
        _rastova_fail("NAME '${ARG_NAME}' is already a font in this folder")
    endif()
    if(NOT RASTOVA_CONVERT_EXECUTABLE)
        _rastova_fail("rastova-convert was not found: set RASTOVA_CONVERT_EXECUTABLE to it")
    endif()
    _rastova_formats(formats)
    if(NOT ARG_FORMAT IN_LIST formats)
        string(REPLACE ";" ", " formats "${formats}")
        _rastova_fail("FORMAT '${ARG_FORMAT}' is not one of ${formats}")
    endif()
    if(DEFINED ARG_FONT AND DEFINED ARG_FONT_FILE)
        _rastova_fail("FONT and FONT_FILE exclude each other")
    endif()
    if(NOT DEFINED ARG_FONT AND NOT DEFINED ARG_FONT_FILE)
        _rastova_fail("FONT or FONT_FILE is needed")
    endif()
    if(DEFINED ARG_FACE_INDEX)
        if(NOT DEFINED ARG_FONT_FILE)
            _rastova_fail("FACE_INDEX needs FONT_FILE")
        endif()
        if(NOT ARG_FACE_INDEX MATCHES "^[0-9]+$" OR ARG_FACE_INDEX GREATER 65535)
            _rastova_fail("FACE_INDEX '${ARG_FACE_INDEX}' is not a face number from 0 to 65535")
        endif()
    endif()
    if(NOT ARG_SIZE MATCHES "^([0-9]+\\.?[0-9]*|\\.[0-9]+)(pt|px)?$"
       OR ARG_SIZE MATCHES "^[0.]*(pt|px)?$")
        _rastova_fail("SIZE '${ARG_SIZE}' is not a size above 0 (write 10, 9.75pt or 16px)")
    endif()
    if(DEFINED ARG_SET AND NOT ARG_SET MATCHES "^(ascii|cp1251)$")
        _rastova_fail("SET '${ARG_SET}' is not ascii or cp1251")
    endif()
    # Which formats take it, rastova-convert's dry run says below.
    if(DEFINED ARG_ENCODING AND NOT ARG_ENCODING MATCHES "^(unicode|cp1251)$")
        _rastova_fail("ENCODING '${ARG_ENCODING}' is not unicode or cp1251")
    endif()
    if(DEFINED ARG_BPP AND NOT ARG_BPP MATCHES "^[12348]$")
        _rastova_fail("BPP '${ARG_BPP}' is not 1, 2, 3, 4 or 8")
    endif()
    if(DEFINED ARG_HINTING AND NOT ARG_HINTING MATCHES "^(normal|light|none|auto)$")
        _rastova_fail("HINTING '${ARG_HINTING}' is not normal, light, none or auto")
    endif()
    if(DEFINED ARG_RANGE)
        string(REPLACE "," ";" items "${ARG_RANGE}")
        set(code "(0[xX][0-9A-Fa-f]+|[Uu]\\+[0-9A-Fa-f]+|[0-9]+)")
        foreach(item IN LISTS items)
            if(NOT item MATCHES "^[ \t]*${code}([ \t]*-[ \t]*${code})?[ \t]*$")
                _rastova_fail("RANGE item '${item}' is not a code point or a range of them "
                              "(write 0x41, U+0041, 65 or 0x20-0x7E)")
            endif()
        endforeach()
    endif()
    if(NOT DEFINED ARG_TEXT AND NOT DEFINED ARG_RANGE AND NOT DEFINED ARG_SET
       AND NOT DEFINED ARG_TEXT_FILE)
        _rastova_fail("no characters: give TEXT, RANGE, SET or TEXT_FILE")
    endif()
    # What the keywords say is theirs alone.
    foreach(option IN LISTS ARG_OPTIONS)
        if(option MATCHES "^(--format|--c-array|-o|--output|--font|--font-file|--face-index|--size|--bold|--italic|--range|--set|--text-file|--encoding|--bpp|--compress|--no-kerning|--hinting|--help|-h|--version|--dry-run)(=.*)?$")
            _rastova_fail("OPTIONS: ${CMAKE_MATCH_1} is set by the keywords of rastova_add_font")
        endif()
    endforeach()
    if(DEFINED ARG_FONT_FILE)
        get_filename_component(font_file "${ARG_FONT_FILE}" ABSOLUTE
                               BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        if(NOT EXISTS "${font_file}" OR IS_DIRECTORY "${font_file}")
            _rastova_fail("FONT_FILE '${ARG_FONT_FILE}' is not a file")
        endif()
    endif()
    set(text_files "")
    foreach(text_file IN LISTS ARG_TEXT_FILE)
        get_filename_component(path "${text_file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
            _rastova_fail("TEXT_FILE '${text_file}' is not a file")
        endif()
        list(APPEND text_files "${path}")
    endforeach()
    get_target_property(type "${target}" TYPE)
    get_target_property(imported "${target}" IMPORTED)
    if(imported OR type MATCHES "^(INTERFACE_LIBRARY|UTILITY)$")
        _rastova_fail("'${target}' compiles no sources of its own (${type}); "
                      "give a target that does")
    endif()
    set_property(DIRECTORY APPEND PROPERTY _RASTOVA_FONT_NAMES "${ARG_NAME}")

    # The command line.
    set(args --format "${ARG_FORMAT}" --c-array "${ARG_NAME}")
    set(font_dependency "")
    if(DEFINED ARG_FONT_FILE)
        list(APPEND args --font-file "${font_file}")
        if(DEFINED ARG_FACE_INDEX)
            list(APPEND args --face-index "${ARG_FACE_INDEX}")
        endif()
        set(font_dependency "${font_file}")
    else()
        list(APPEND args --font "${ARG_FONT}")
        _rastova_font_file(font_dependency "${ARG_FONT}" "${ARG_BOLD}" "${ARG_ITALIC}"
                           "${ARG_SIZE}")
    endif()
    list(APPEND args --size "${ARG_SIZE}")
    if(ARG_BOLD)
        list(APPEND args --bold)
    endif()
    if(ARG_ITALIC)
        list(APPEND args --italic)
    endif()
    if(DEFINED ARG_SET)
        list(APPEND args --set "${ARG_SET}")
    endif()
    if(DEFINED ARG_RANGE)
        list(APPEND args --range "${ARG_RANGE}")
    endif()
    foreach(text_file IN LISTS text_files)
        list(APPEND args --text-file "${text_file}")
    endforeach()
    if(DEFINED ARG_ENCODING)
        list(APPEND args --encoding "${ARG_ENCODING}")
    endif()
    if(DEFINED ARG_BPP)
        list(APPEND args --bpp "${ARG_BPP}")
    endif()
    if(ARG_COMPRESS)
        list(APPEND args --compress)
    endif()
    if(ARG_NO_KERNING)
        list(APPEND args --no-kerning)
    endif()
    if(DEFINED ARG_HINTING)
        list(APPEND args --hinting "${ARG_HINTING}")
    endif()
    list(APPEND args ${ARG_OPTIONS})
    if(DEFINED ARG_TEXT)
        # After "--", so text starting with "-" is text; its ';' escaped, so it stays one
        # argument of the list and the command lines rather than splitting it.
        string(REPLACE ";" "\\;" text "${ARG_TEXT}")
        list(APPEND args -- "${text}")
    endif()

    # The record the build depends on: rewritten only when the arguments or the file FONT
    # stands for change. The arguments are checked whenever it would change.
    set(dir "${CMAKE_CURRENT_BINARY_DIR}/rastova")
    set(record "${dir}/${ARG_NAME}.args")
    set(content "# rastova-convert arguments for ${ARG_NAME}, one a line\n")
    foreach(arg IN LISTS args)
        string(APPEND content "${arg}\n")
    endforeach()
    if(font_dependency AND NOT DEFINED ARG_FONT_FILE)
        string(APPEND content "# FONT resolves to ${font_dependency}\n")
    endif()
    set(old "")
    if(EXISTS "${record}")
        file(READ "${record}" old)
    endif()
    if(NOT old STREQUAL content)
        execute_process(COMMAND "${RASTOVA_CONVERT_EXECUTABLE}" --dry-run ${args}
                        RESULT_VARIABLE status ERROR_VARIABLE error OUTPUT_QUIET)
        if(NOT status EQUAL 0)
            string(STRIP "${error}" error)
            # Options that are keywords here: their refusals are told in the keywords' terms.
            if(error MATCHES "--(encoding|bpp|compress|no-kerning)( [0-9]+)? applies to --format (.+) only$")
                string(TOUPPER "${CMAKE_MATCH_1}" keyword)
                string(REPLACE "-" "_" keyword "${keyword}")
                _rastova_fail("${keyword}${CMAKE_MATCH_2} applies to FORMAT ${CMAKE_MATCH_3} only")
            endif()
            _rastova_fail("${ARG_NAME}: ${error}")
        endif()
        file(MAKE_DIRECTORY "${dir}")
        file(WRITE "${record}" "${content}")
    endif()

    # The header and what is made.
    set(includes "")
    set(declaration "")
    if(ARG_FORMAT STREQUAL "table")
        set(declaration "extern const unsigned char ${ARG_NAME}[];")
    elseif(ARG_FORMAT STREQUAL "gfx")
        set(includes "\n#include <gfxfont.h>\n")
        set(declaration "extern const GFXfont ${ARG_NAME};")
    elseif(ARG_FORMAT STREQUAL "lvgl")
        set(includes "\n#include \"lvgl.h\"\n")
        set(declaration "extern const lv_font_t ${ARG_NAME};")
    elseif(ARG_FORMAT MATCHES "^(u8g2|ssd1306|vlw)$")
        set(includes "\n#include <stdint.h>\n")
        set(declaration "extern const uint8_t ${ARG_NAME}[];")
    endif()
    set(header_step "")
    if(ARG_FORMAT STREQUAL "raw")
        set(output "${dir}/${ARG_NAME}.c")
        set(header_step COMMAND "${CMAKE_COMMAND}" -DRASTOVA_RAW_HEADER=${dir}/${ARG_NAME}.h
                        -DSOURCE=${output} -DNAME=${ARG_NAME} -P "${_RASTOVA_MODULE_FILE}")
    elseif(declaration)
        set(output "${dir}/${ARG_NAME}.c")
        _rastova_write_if_changed("${dir}/${ARG_NAME}.h"
"/* ${ARG_NAME}: a ${ARG_FORMAT} font made by rastova-convert from ${ARG_NAME}.args. */
#ifndef RASTOVA_FONT_${ARG_NAME}_H
#define RASTOVA_FONT_${ARG_NAME}_H
${includes}
#ifdef __cplusplus
extern \"C\" {
#endif

${declaration}

#ifdef __cplusplus
}
#endif

#endif
")
    else()
        set(output "${dir}/${ARG_NAME}.${ARG_FORMAT}")
    endif()

    set(outputs "${output}")
    if(header_step)
        list(APPEND outputs "${dir}/${ARG_NAME}.h")
    endif()
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND "${RASTOVA_CONVERT_EXECUTABLE}" -o "${output}" ${args}
        ${header_step}
        DEPENDS "${record}" "${RASTOVA_CONVERT_EXECUTABLE}" ${font_dependency} ${text_files}
        COMMENT "rastova-convert: ${ARG_NAME} (${ARG_FORMAT}, ${ARG_SIZE})"
        VERBATIM)
    if(declaration OR header_step)
        target_sources("${target}" PRIVATE ${outputs})
    else()
        add_custom_target("${target}_rastova_${ARG_NAME}" DEPENDS "${output}")
        add_dependencies("${target}" "${target}_rastova_${ARG_NAME}")
    endif()
    target_include_directories("${target}" PUBLIC "$<BUILD_INTERFACE:${dir}>")
endfunction()
