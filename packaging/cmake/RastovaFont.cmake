# rastova_add_font(): a font that the project's own build makes with rastova-convert.
#
#   rastova_add_font(<target> NAME <symbol>
#                    FORMAT <a format: rastova-convert --list-formats>
#                    (FONT <fontconfig pattern> | FONT_FILE <path> [FACE_INDEX <n>])
#                    SIZE <10|9.75pt|16px> [BOLD] [ITALIC]
#                    [TEXT <utf-8>] [RANGE <list>] [SET ascii|cp1251] [TEXT_FILE <file>...]
#                    [ENCODING unicode|cp1251]
#                    [BPP 1|2|3|4|8] [COMPRESS] [NO_KERNING] [HINTING normal|light|none|auto]
#                    [SYMBOLS_HEADER <file>]
#                    [OPTIONS <further rastova-convert arguments>...]
#                    [ALSO (FONT <pattern> | FONT_FILE <path> [FACE_INDEX <n>])
#                          [TEXT <utf-8>] [RANGE <list>] [SET ascii|cp1251]
#                          [TEXT_FILE <file>...]]...)
#
# Makes ${CMAKE_CURRENT_BINARY_DIR}/rastova/<symbol>.<ext> at build time and remakes it when an
# argument, a font file, a TEXT_FILE or rastova-convert changes, and at no other time:
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
# SYMBOLS_HEADER <file> (relative to the folder of <symbol>.h) is made with the font: for each
# character in a Private Use Area, #define <SYMBOL>_<GLYPH> "<its UTF-8>" (--symbols-header).
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
# ALSO starts a further source: text from one font and icons from another, in one font. Each
# ALSO names its font and the characters taken from it, as the first source does before the
# first ALSO. The size, style and the other keywords about drawing belong before the first
# ALSO and are shared by all; NAME, FORMAT and SYMBOLS_HEADER, naming what is made, may also
# follow a source. The sources are passed in order (rastova-convert's repeated --font/--font-file), so a character
# two sources ask for comes from the first; "0xF004=>0xE000" in RANGE moves an icon into the
# Private Use Area, where SYMBOLS_HEADER names it:
#
#   rastova_add_font(ui NAME ui_16 FORMAT lvgl FONT_FILE DejaVuSans.ttf SIZE 16px SET ascii
#                    ALSO FONT_FILE fontawesome-webfont.ttf RANGE "0xF004=>0xE000"
#                    SYMBOLS_HEADER ui_16_symbols.h)
#
# Every source's font file (FONT_FILE, or the file fc-match gives for FONT) and TEXT_FILEs are
# dependencies of the font. A refusal inside a source names it ("source 2: ..."). Only the last
# source's TEXT may start with '-' (the others are not written after "--"); give such
# characters with RANGE.
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

# Stops CMake with the message; its parts, when given as several strings, are joined.
function(_rastova_fail message)
    message(FATAL_ERROR "rastova_add_font: ${message}" ${ARGN})
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

# Refuses a RANGE item that is not a code point, a range of them, or either moved elsewhere
# with "=>"; `where` (empty or "source 2: ") starts the message.
function(_rastova_check_range where range)
    string(REPLACE "," ";" items "${range}")
    set(code "(0[xX][0-9A-Fa-f]+|[Uu]\\+[0-9A-Fa-f]+|[0-9]+)")
    foreach(item IN LISTS items)
        if(NOT item MATCHES
           "^[ \t]*${code}([ \t]*-[ \t]*${code})?([ \t]*=>[ \t]*${code})?[ \t]*$")
            _rastova_fail("${where}RANGE item '${item}' is not a code point or a range of them "
                          "(write 0x41, U+0041, 65, 0x20-0x7E or 0xF004=>0xE000)")
        endif()
    endforeach()
endfunction()

# Refuses a TEXT that rastova-convert would take for an option: only the last source's TEXT
# may start with '-', as it alone is written after "--".
function(_rastova_check_text where text last)
    if(NOT last AND text MATCHES "^-." )
        _rastova_fail("${where}TEXT '${text}' starts with '-', which only the last source's "
                      "TEXT may: give these characters with RANGE")
    endif()
endfunction()

# The keywords of one source after the first: the arguments from index `from` to `to`
# (exclusive) that follow its ALSO, as rastova_add_font copied them to _rastova_arg<index> so
# that a ';' in TEXT survives. Sets src_<KEYWORD> in the caller for each keyword given, and
# unsets the others.
function(_rastova_source_keywords where from to)
    set(single FONT FONT_FILE FACE_INDEX TEXT RANGE SET)
    set(keywords ${single} TEXT_FILE)
    set(shared SIZE BOLD ITALIC ENCODING BPP COMPRESS NO_KERNING HINTING OPTIONS)
    foreach(name IN LISTS keywords)
        unset(src_${name})
    endforeach()
    set(keyword "")
    set(i ${from})
    while(i LESS to)
        set(at ${i})
        set(token "${_rastova_arg${i}}")
        math(EXPR i "${i} + 1")
        if(at IN_LIST _rastova_whole OR token IN_LIST keywords)
            if(keyword STREQUAL "TEXT_FILE" AND taken EQUAL 0)
                _rastova_fail("${where}TEXT_FILE needs a value")
            endif()
            set(keyword "")
        endif()
        if(at IN_LIST _rastova_whole)
            # NAME, FORMAT or SYMBOLS_HEADER, or its value, which rastova_add_font took.
            continue()
        elseif(token IN_LIST keywords)
            if(token IN_LIST single AND DEFINED src_${token})
                _rastova_fail("${where}${token} is given twice")
            endif()
            set(keyword "${token}")
            set(taken 0)
            if(token IN_LIST single)
                if(i EQUAL to OR i IN_LIST _rastova_whole
                   OR "${_rastova_arg${i}}" IN_LIST keywords)
                    _rastova_fail("${where}${token} needs a value")
                endif()
                set(src_${token} "${_rastova_arg${i}}")
                math(EXPR i "${i} + 1")
            endif()
        elseif(token IN_LIST shared)
            _rastova_fail("${where}${token} is shared by every source: give it before the "
                          "first ALSO")
        elseif(keyword STREQUAL "TEXT_FILE")
            list(APPEND src_TEXT_FILE "${token}")
            math(EXPR taken "${taken} + 1")
        else()
            _rastova_fail("${where}unknown argument '${token}'")
        endif()
    endwhile()
    if(keyword STREQUAL "TEXT_FILE" AND taken EQUAL 0)
        _rastova_fail("${where}TEXT_FILE needs a value")
    endif()
    foreach(name IN LISTS keywords)
        if(DEFINED src_${name})
            set(src_${name} "${src_${name}}" PARENT_SCOPE)
        else()
            unset(src_${name} PARENT_SCOPE)
        endif()
    endforeach()
endfunction()

# One source after the first, its keywords from index `from` to `to` (exclusive); `last` when
# no source follows. Sets, in the caller: `args_out` to its rastova-convert arguments (the
# TEXT's ';' escaped), `files_out` to the files it reads and `record_out` to what the record
# notes of them. The style and size are the first source's (ARG_BOLD, ARG_ITALIC, ARG_SIZE of
# rastova_add_font), shared by all.
function(_rastova_source number from to last args_out files_out record_out)
    set(where "source ${number}: ")
    _rastova_source_keywords("${where}" ${from} ${to})
    set(args "")
    set(files "")
    set(record "")
    if(DEFINED src_FONT AND DEFINED src_FONT_FILE)
        _rastova_fail("${where}FONT and FONT_FILE exclude each other")
    elseif(DEFINED src_FONT_FILE)
        get_filename_component(font_file "${src_FONT_FILE}" ABSOLUTE
                               BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        if(NOT EXISTS "${font_file}" OR IS_DIRECTORY "${font_file}")
            _rastova_fail("${where}FONT_FILE '${src_FONT_FILE}' is not a file")
        endif()
        list(APPEND args --font-file "${font_file}")
        list(APPEND files "${font_file}")
    elseif(DEFINED src_FONT)
        list(APPEND args --font "${src_FONT}")
        _rastova_font_file(resolved "${src_FONT}" "${ARG_BOLD}" "${ARG_ITALIC}" "${ARG_SIZE}")
        if(resolved)
            list(APPEND files "${resolved}")
            string(APPEND record "# source ${number}: FONT resolves to ${resolved}\n")
        endif()
    else()
        _rastova_fail("${where}FONT or FONT_FILE is needed after ALSO")
    endif()
    if(DEFINED src_FACE_INDEX)
        if(NOT DEFINED src_FONT_FILE)
            _rastova_fail("${where}FACE_INDEX needs FONT_FILE")
        endif()
        if(NOT src_FACE_INDEX MATCHES "^[0-9]+$" OR src_FACE_INDEX GREATER 65535)
            _rastova_fail("${where}FACE_INDEX '${src_FACE_INDEX}' is not a face number from 0 to "
                          "65535")
        endif()
        list(APPEND args --face-index "${src_FACE_INDEX}")
    endif()
    if(NOT DEFINED src_TEXT AND NOT DEFINED src_RANGE AND NOT DEFINED src_SET
       AND NOT DEFINED src_TEXT_FILE)
        _rastova_fail("${where}no characters: give TEXT, RANGE, SET or TEXT_FILE")
    endif()
    if(DEFINED src_SET)
        if(NOT src_SET MATCHES "^(ascii|cp1251)$")
            _rastova_fail("${where}SET '${src_SET}' is not ascii or cp1251")
        endif()
        list(APPEND args --set "${src_SET}")
    endif()
    if(DEFINED src_RANGE)
        _rastova_check_range("${where}" "${src_RANGE}")
        list(APPEND args --range "${src_RANGE}")
    endif()
    foreach(text_file IN LISTS src_TEXT_FILE)
        get_filename_component(path "${text_file}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
        if(NOT EXISTS "${path}" OR IS_DIRECTORY "${path}")
            _rastova_fail("${where}TEXT_FILE '${text_file}' is not a file")
        endif()
        list(APPEND args --text-file "${path}")
        list(APPEND files "${path}")
    endforeach()
    if(DEFINED src_TEXT)
        _rastova_check_text("${where}" "${src_TEXT}" ${last})
        string(REPLACE ";" "\\;" text "${src_TEXT}")
        if(last)
            list(APPEND args -- "${text}")
        else()
            list(APPEND args "${text}")
        endif()
    endif()
    set(${args_out} "${args}" PARENT_SCOPE)
    set(${files_out} "${files}" PARENT_SCOPE)
    set(${record_out} "${record}" PARENT_SCOPE)
endfunction()

# The sources that ALSO starts, in order (`starts`: the index of each ALSO; `count`: the
# call's ARGC). Sets, in the caller, `args_out`, `files_out` and `record_out` as
# _rastova_source does, for all of them.
function(_rastova_sources starts count args_out files_out record_out)
    set(all_args "")
    set(all_files "")
    set(all_record "")
    list(LENGTH starts sources)
    foreach(n RANGE 1 ${sources})
        math(EXPR at "${n} - 1")
        list(GET starts ${at} from)
        math(EXPR from "${from} + 1")
        set(to ${count})
        if(n LESS sources)
            list(GET starts ${n} to)
        endif()
        math(EXPR number "${n} + 1")
        set(last FALSE)
        if(n EQUAL sources)
            set(last TRUE)
        endif()
        _rastova_source(${number} ${from} ${to} ${last} args files record)
        if(NOT "${args}" STREQUAL "")
            string(APPEND all_args ";${args}")
        endif()
        list(APPEND all_files ${files})
        string(APPEND all_record "${record}")
    endforeach()
    string(REGEX REPLACE "^;" "" all_args "${all_args}")
    set(${args_out} "${all_args}" PARENT_SCOPE)
    set(${files_out} "${all_files}" PARENT_SCOPE)
    set(${record_out} "${all_record}" PARENT_SCOPE)
endfunction()

# The rastova-convert arguments of the call in `out` (TEXT's ';' escaped) and the file the
# first source's FONT resolves to in `font_out`, from rastova_add_font's ARG_* and the paths
# it made absolute. `later`: the arguments of the sources after the first (_rastova_sources).
# One source is written as it always was. With several, the options all sources share come
# first, then each source: its font and then its characters, the last source's TEXT alone
# after "--".
function(_rastova_command_line out font_out font_file text_files later)
    set(font "")
    set(font_dependency "")
    if(DEFINED ARG_FONT_FILE)
        set(font --font-file "${font_file}")
        if(DEFINED ARG_FACE_INDEX)
            list(APPEND font --face-index "${ARG_FACE_INDEX}")
        endif()
        set(font_dependency "${font_file}")
    else()
        set(font --font "${ARG_FONT}")
        _rastova_font_file(font_dependency "${ARG_FONT}" "${ARG_BOLD}" "${ARG_ITALIC}"
                           "${ARG_SIZE}")
    endif()
    set(style --size "${ARG_SIZE}")
    if(ARG_BOLD)
        list(APPEND style --bold)
    endif()
    if(ARG_ITALIC)
        list(APPEND style --italic)
    endif()
    set(characters "")
    if(DEFINED ARG_SET)
        list(APPEND characters --set "${ARG_SET}")
    endif()
    if(DEFINED ARG_RANGE)
        list(APPEND characters --range "${ARG_RANGE}")
    endif()
    foreach(text_file IN LISTS text_files)
        list(APPEND characters --text-file "${text_file}")
    endforeach()
    set(shared "")
    if(DEFINED ARG_ENCODING)
        list(APPEND shared --encoding "${ARG_ENCODING}")
    endif()
    if(DEFINED ARG_BPP)
        list(APPEND shared --bpp "${ARG_BPP}")
    endif()
    if(ARG_COMPRESS)
        list(APPEND shared --compress)
    endif()
    if(ARG_NO_KERNING)
        list(APPEND shared --no-kerning)
    endif()
    if(DEFINED ARG_HINTING)
        list(APPEND shared --hinting "${ARG_HINTING}")
    endif()
    list(APPEND shared ${ARG_OPTIONS})

    set(args --format "${ARG_FORMAT}" --c-array "${ARG_NAME}")
    if("${later}" STREQUAL "")
        list(APPEND args ${font} ${style} ${characters} ${shared})
    else()
        list(APPEND args ${style} ${shared} ${font} ${characters})
    endif()
    if(DEFINED ARG_TEXT)
        # Its ';' escaped, so it stays one argument of the list and the command lines rather
        # than splitting it. After "--", so text starting with "-" is text, when no source
        # follows.
        string(REPLACE ";" "\\;" text "${ARG_TEXT}")
        if("${later}" STREQUAL "")
            list(APPEND args -- "${text}")
        else()
            list(APPEND args "${text}")
        endif()
    endif()
    if(NOT "${later}" STREQUAL "")
        string(APPEND args ";${later}")
    endif()
    set(${out} "${args}" PARENT_SCOPE)
    set(${font_out} "${font_dependency}" PARENT_SCOPE)
endfunction()

# Where the sources after the first start, from rastova_add_font's arguments 1 to `count`
# (exclusive, copied to _rastova_arg<index>): the index of each ALSO in `starts_out`. NAME,
# FORMAT and SYMBOLS_HEADER name what is made, so they may follow a source too: the index of
# each one given after an ALSO, and of its value, in `whole_out`.
function(_rastova_split count starts_out whole_out)
    set(starts "")
    set(whole "")
    set(i 1)
    while(i LESS count)
        set(token "${_rastova_arg${i}}")
        if(token STREQUAL "ALSO")
            list(APPEND starts ${i})
        elseif(starts AND token MATCHES "^(NAME|FORMAT|SYMBOLS_HEADER)$")
            math(EXPR value "${i} + 1")
            if(value EQUAL count OR "${_rastova_arg${value}}" MATCHES
                                    "^(ALSO|NAME|FORMAT|SYMBOLS_HEADER)$")
                _rastova_fail("${token} needs a value")
            endif()
            list(APPEND whole ${i} ${value})
            set(i ${value})
        endif()
        math(EXPR i "${i} + 1")
    endwhile()
    set(${starts_out} "${starts}" PARENT_SCOPE)
    set(${whole_out} "${whole}" PARENT_SCOPE)
endfunction()

function(rastova_add_font target)
    # Each ALSO starts a further source. The arguments before the first are parsed as a call
    # with one font is: cmake_parse_arguments reads ARGV1 up to ARGC, so ARGC is lowered for it.
    # Each argument is copied to _rastova_arg<index> for the functions that read the sources.
    set(count ${ARGC})
    if(count GREATER 1)
        math(EXPR last "${count} - 1")
        foreach(i RANGE 1 ${last})
            set(_rastova_arg${i} "${ARGV${i}}")
        endforeach()
    endif()
    _rastova_split(${count} starts _rastova_whole)
    if(starts)
        list(GET starts 0 ARGC)
    endif()
    cmake_parse_arguments(PARSE_ARGV 1 ARG "BOLD;ITALIC;COMPRESS;NO_KERNING"
                          "NAME;FORMAT;FONT;FONT_FILE;FACE_INDEX;SIZE;TEXT;RANGE;SET;ENCODING;BPP;HINTING;SYMBOLS_HEADER"
                          "OPTIONS;TEXT_FILE")
    set(ARGC ${count})
    set(whole "${_rastova_whole}")
    while(whole)
        list(POP_FRONT whole at value)
        set(keyword "${_rastova_arg${at}}")
        if(DEFINED ARG_${keyword})
            _rastova_fail("${keyword} is given twice")
        endif()
        set(ARG_${keyword} "${_rastova_arg${value}}")
    endwhile()

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
        _rastova_check_range("" "${ARG_RANGE}")
    endif()
    if(NOT DEFINED ARG_TEXT AND NOT DEFINED ARG_RANGE AND NOT DEFINED ARG_SET
       AND NOT DEFINED ARG_TEXT_FILE)
        _rastova_fail("no characters: give TEXT, RANGE, SET or TEXT_FILE")
    endif()
    # What the keywords say is theirs alone.
    foreach(option IN LISTS ARG_OPTIONS)
        if(option MATCHES "^(--format|--c-array|-o|--output|--font|--font-file|--face-index|--size|--bold|--italic|--range|--set|--text-file|--encoding|--bpp|--compress|--no-kerning|--hinting|--symbols-header|--help|-h|--version|--dry-run)(=.*)?$")
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
    set(later_args "")
    set(later_files "")
    set(later_record "")
    if(starts)
        if(DEFINED ARG_TEXT)
            _rastova_check_text("source 1: " "${ARG_TEXT}" FALSE)
        endif()
        _rastova_sources("${starts}" ${count} later_args later_files later_record)
    endif()
    get_target_property(type "${target}" TYPE)
    get_target_property(imported "${target}" IMPORTED)
    if(imported OR type MATCHES "^(INTERFACE_LIBRARY|UTILITY)$")
        _rastova_fail("'${target}' compiles no sources of its own (${type}); "
                      "give a target that does")
    endif()
    set_property(DIRECTORY APPEND PROPERTY _RASTOVA_FONT_NAMES "${ARG_NAME}")

    # The command line.
    _rastova_command_line(args font_dependency "${font_file}" "${text_files}" "${later_args}")

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
    string(APPEND content "${later_record}")
    set(symbols_step "")
    if(DEFINED ARG_SYMBOLS_HEADER)
        get_filename_component(symbols "${ARG_SYMBOLS_HEADER}" ABSOLUTE BASE_DIR "${dir}")
        foreach(made c h xbm bdf args)
            if(symbols STREQUAL "${dir}/${ARG_NAME}.${made}")
                _rastova_fail("SYMBOLS_HEADER '${ARG_SYMBOLS_HEADER}' is a file of the font")
            endif()
        endforeach()
        set(symbols_step --symbols-header "${symbols}")
        string(APPEND content "# SYMBOLS_HEADER ${symbols}\n")
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
    if(symbols_step)
        list(APPEND outputs "${symbols}")
    endif()
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND "${RASTOVA_CONVERT_EXECUTABLE}" -o "${output}" ${symbols_step} ${args}
        ${header_step}
        DEPENDS "${record}" "${RASTOVA_CONVERT_EXECUTABLE}" ${font_dependency} ${text_files}
                ${later_files}
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
