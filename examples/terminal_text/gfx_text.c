#include "gfx_text.h"

/* A glyph's bits are its ink box row after row, 8 pixels a byte with the leftmost in the most
   significant bit, rows running on into the next byte without padding:

       box 3 x 2     # . #        bits 1 0 1 0 1 0 . .   ->   0xA8
                     . # .
*/
static void draw_glyph(struct canvas* canvas, const GFXfont* font, const GFXglyph* glyph, int pen_x,
                       int baseline) {
    const uint8_t* bits = font->bitmap + glyph->bitmapOffset;
    unsigned bit = 0;
    for (int row = 0; row < glyph->height; ++row) {
        for (int column = 0; column < glyph->width; ++column, ++bit) {
            if (bits[bit / 8] & (0x80u >> (bit % 8))) {
                canvas_set(canvas, pen_x + glyph->xOffset + column,
                           baseline + glyph->yOffset + row);
            }
        }
    }
}

int gfx_draw_text(struct canvas* canvas, const GFXfont* font, int x, int y, const char* text) {
    for (const unsigned char* c = (const unsigned char*)text; *c != '\0'; ++c) {
        if (*c < font->first || *c > font->last) {
            continue;
        }
        const GFXglyph* glyph = &font->glyph[*c - font->first];
        draw_glyph(canvas, font, glyph, x, y);
        x += glyph->xAdvance;
    }
    return x;
}
