/* What a font made by rastova-convert and the README's LVGL example use of LVGL 9.2's lvgl.h, as
   its lv_font.h, lv_font_fmt_txt.h, lv_obj.h and lv_label.h declare it. */
#ifndef LVGL_H
#define LVGL_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#define LVGL_VERSION_MAJOR 9
#define LVGL_VERSION_MINOR 2

#ifdef __cplusplus
extern "C" {
#endif

typedef struct lv_font_glyph_dsc_t lv_font_glyph_dsc_t;
typedef struct lv_draw_buf_t lv_draw_buf_t;
typedef struct lv_font_t lv_font_t;
typedef enum {
    LV_FONT_SUBPX_NONE,
    LV_FONT_SUBPX_HOR,
    LV_FONT_SUBPX_VER,
    LV_FONT_SUBPX_BOTH
} lv_font_subpx_t;
typedef enum { LV_FONT_KERNING_NORMAL, LV_FONT_KERNING_NONE } lv_font_kerning_t;
struct lv_font_t {
    bool (*get_glyph_dsc)(const lv_font_t*, lv_font_glyph_dsc_t*, uint32_t, uint32_t);
    const void* (*get_glyph_bitmap)(lv_font_glyph_dsc_t*, lv_draw_buf_t*);
    void (*release_glyph)(const lv_font_t*, lv_font_glyph_dsc_t*);
    int32_t line_height;
    int32_t base_line;
    uint8_t subpx : 2;
    uint8_t kerning : 1;
    int8_t underline_position;
    int8_t underline_thickness;
    const void* dsc;
    const lv_font_t* fallback;
    void* user_data;
};

#ifndef LV_FONT_FMT_TXT_LARGE
#define LV_FONT_FMT_TXT_LARGE 0
#endif
typedef struct {
#if LV_FONT_FMT_TXT_LARGE == 0
    uint32_t bitmap_index : 20;
    uint32_t adv_w : 12;
    uint8_t box_w;
    uint8_t box_h;
    int8_t ofs_x;
    int8_t ofs_y;
#else
    uint32_t bitmap_index;
    uint32_t adv_w;
    uint16_t box_w;
    uint16_t box_h;
    int16_t ofs_x;
    int16_t ofs_y;
#endif
} lv_font_fmt_txt_glyph_dsc_t;
typedef enum {
    LV_FONT_FMT_TXT_CMAP_FORMAT0_FULL,
    LV_FONT_FMT_TXT_CMAP_SPARSE_FULL,
    LV_FONT_FMT_TXT_CMAP_FORMAT0_TINY,
    LV_FONT_FMT_TXT_CMAP_SPARSE_TINY
} lv_font_fmt_txt_cmap_type_t;
typedef struct {
    uint32_t range_start;
    uint16_t range_length;
    uint16_t glyph_id_start;
    const uint16_t* unicode_list;
    const void* glyph_id_ofs_list;
    uint16_t list_length;
    lv_font_fmt_txt_cmap_type_t type;
} lv_font_fmt_txt_cmap_t;
typedef struct {
    const void* glyph_ids;
    const int8_t* values;
    uint32_t pair_cnt : 30;
    uint32_t glyph_ids_size : 2;
} lv_font_fmt_txt_kern_pair_t;
typedef struct {
    const int8_t* class_pair_values;
    const uint8_t* left_class_mapping;
    const uint8_t* right_class_mapping;
    uint8_t left_class_cnt;
    uint8_t right_class_cnt;
} lv_font_fmt_txt_kern_classes_t;
typedef struct {
    const uint8_t* glyph_bitmap;
    const lv_font_fmt_txt_glyph_dsc_t* glyph_dsc;
    const lv_font_fmt_txt_cmap_t* cmaps;
    const void* kern_dsc;
    uint16_t kern_scale;
    uint16_t cmap_num : 9;
    uint16_t bpp : 4;
    uint16_t kern_classes : 1;
    uint16_t bitmap_format : 2;
} lv_font_fmt_txt_dsc_t;
bool lv_font_get_glyph_dsc_fmt_txt(const lv_font_t*, lv_font_glyph_dsc_t*, uint32_t, uint32_t);
const void* lv_font_get_bitmap_fmt_txt(lv_font_glyph_dsc_t*, lv_draw_buf_t*);
#define LV_FONT_DECLARE(font_name) extern const lv_font_t font_name;

typedef struct lv_obj_t lv_obj_t;
typedef uint32_t lv_style_selector_t;
lv_obj_t* lv_screen_active(void);
lv_obj_t* lv_label_create(lv_obj_t* parent);
void lv_label_set_text(lv_obj_t* obj, const char* text);
void lv_obj_set_style_text_font(lv_obj_t* obj, const lv_font_t* value,
                                lv_style_selector_t selector);

#ifdef __cplusplus
}
#endif

#endif
