// HarfBuzz, opened the first time a run calls it.
//
// Only kerning (kerning.cpp, pair_candidates.cpp) calls HarfBuzz, and only the formats that hold
// kerning ask for it. Linked normally, HarfBuzz and what it depends on (GLib, graphite2, PCRE2)
// would be loaded and relocated by every run, for a cost of some 8% of a small conversion. A
// program linked with this file instead defines the HarfBuzz functions the core calls; the first
// call opens Debian's shared HarfBuzz and every call goes straight through to it.
//
// The core calling a HarfBuzz function that is not listed below fails to link with the program
// that uses this file: add its row to RASTOVA_HARFBUZZ_FUNCTIONS.
#include "glyph/library_on_demand.h"

#include <hb-ot.h>
#include <hb.h>
#include <vector>

// Each function as HarfBuzz's headers declare it: return type, name, parameters, arguments.
#define RASTOVA_HARFBUZZ_FUNCTIONS(X)                                                              \
    X(hb_blob_t*, hb_blob_create,                                                                  \
      (const char* data, unsigned int length, hb_memory_mode_t mode, void* user_data,              \
       hb_destroy_func_t destroy),                                                                 \
      (data, length, mode, user_data, destroy))                                                    \
    X(void, hb_blob_destroy, (hb_blob_t * blob), (blob))                                           \
    X(const char*, hb_blob_get_data, (hb_blob_t * blob, unsigned int* length), (blob, length))     \
    X(unsigned int, hb_blob_get_length, (hb_blob_t * blob), (blob))                                \
    X(void, hb_buffer_add_codepoints,                                                              \
      (hb_buffer_t * buffer, const hb_codepoint_t* text, int text_length,                          \
       unsigned int item_offset, int item_length),                                                 \
      (buffer, text, text_length, item_offset, item_length))                                       \
    X(void, hb_buffer_clear_contents, (hb_buffer_t * buffer), (buffer))                            \
    X(hb_buffer_t*, hb_buffer_create, (void), ())                                                  \
    X(void, hb_buffer_destroy, (hb_buffer_t * buffer), (buffer))                                   \
    X(hb_glyph_info_t*, hb_buffer_get_glyph_infos, (hb_buffer_t * buffer, unsigned int* length),   \
      (buffer, length))                                                                            \
    X(hb_glyph_position_t*, hb_buffer_get_glyph_positions,                                         \
      (hb_buffer_t * buffer, unsigned int* length), (buffer, length))                              \
    X(void, hb_buffer_guess_segment_properties, (hb_buffer_t * buffer), (buffer))                  \
    X(void, hb_buffer_set_direction, (hb_buffer_t * buffer, hb_direction_t direction),             \
      (buffer, direction))                                                                         \
    X(void, hb_buffer_set_script, (hb_buffer_t * buffer, hb_script_t script), (buffer, script))    \
    X(hb_face_t*, hb_face_create_for_tables,                                                       \
      (hb_reference_table_func_t reference_table_func, void* user_data,                            \
       hb_destroy_func_t destroy),                                                                 \
      (reference_table_func, user_data, destroy))                                                  \
    X(void, hb_face_destroy, (hb_face_t * face), (face))                                           \
    X(hb_blob_t*, hb_face_reference_table, (const hb_face_t* face, hb_tag_t tag), (face, tag))     \
    X(hb_font_t*, hb_font_create, (hb_face_t * face), (face))                                      \
    X(void, hb_font_destroy, (hb_font_t * font), (font))                                           \
    X(hb_bool_t, hb_font_get_nominal_glyph,                                                        \
      (hb_font_t * font, hb_codepoint_t unicode, hb_codepoint_t * glyph), (font, unicode, glyph))  \
    X(void, hb_font_set_ppem, (hb_font_t * font, unsigned int x_ppem, unsigned int y_ppem),        \
      (font, x_ppem, y_ppem))                                                                      \
    X(void, hb_font_set_scale, (hb_font_t * font, int x_scale, int y_scale),                       \
      (font, x_scale, y_scale))                                                                    \
    X(void, hb_ot_font_set_funcs, (hb_font_t * font), (font))                                      \
    X(void, hb_ot_layout_collect_lookups,                                                          \
      (hb_face_t * face, hb_tag_t table_tag, const hb_tag_t* scripts, const hb_tag_t* languages,   \
       const hb_tag_t* features, hb_set_t* lookup_indexes),                                        \
      (face, table_tag, scripts, languages, features, lookup_indexes))                             \
    X(void, hb_ot_layout_lookup_collect_glyphs,                                                    \
      (hb_face_t * face, hb_tag_t table_tag, unsigned int lookup_index, hb_set_t* glyphs_before,   \
       hb_set_t* glyphs_input, hb_set_t* glyphs_after, hb_set_t* glyphs_output),                   \
      (face, table_tag, lookup_index, glyphs_before, glyphs_input, glyphs_after, glyphs_output))   \
    X(hb_set_t*, hb_set_create, (void), ())                                                        \
    X(void, hb_set_destroy, (hb_set_t * set), (set))                                               \
    X(hb_bool_t, hb_set_has, (const hb_set_t* set, hb_codepoint_t codepoint), (set, codepoint))    \
    X(hb_bool_t, hb_set_next, (const hb_set_t* set, hb_codepoint_t* codepoint), (set, codepoint))  \
    X(hb_bool_t, hb_shape_full,                                                                    \
      (hb_font_t * font, hb_buffer_t * buffer, const hb_feature_t* features,                       \
       unsigned int num_features, const char* const* shaper_list),                                 \
      (font, buffer, features, num_features, shaper_list))                                         \
    X(hb_unicode_funcs_t*, hb_unicode_funcs_get_default, (void), ())                               \
    X(hb_script_t, hb_unicode_script, (hb_unicode_funcs_t * ufuncs, hb_codepoint_t unicode),       \
      (ufuncs, unicode))

// The library as Debian installs it (package libharfbuzz0b).
RASTOVA_LIBRARY_ON_DEMAND(RASTOVA_HARFBUZZ_FUNCTIONS, "libharfbuzz.so.0")
