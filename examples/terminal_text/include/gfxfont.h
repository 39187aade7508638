/* The font structures of the Adafruit GFX library, as its gfxfont.h declares them. */
#ifndef GFXFONT_H
#define GFXFONT_H

#include <stdint.h>

typedef struct {
    uint16_t bitmapOffset; /* first byte of the glyph's bits in GFXfont.bitmap */
    uint8_t width;         /* the ink box, in pixels */
    uint8_t height;
    uint8_t xAdvance; /* pen step to the next character */
    int8_t xOffset;   /* the box's top-left corner from the pen on the baseline */
    int8_t yOffset;
} GFXglyph;

typedef struct {
    uint8_t* bitmap; /* every glyph's bits, one after another */
    GFXglyph* glyph; /* a glyph per code from first to last */
    uint16_t first;
    uint16_t last;
    uint8_t yAdvance; /* line height */
} GFXfont;

#endif
