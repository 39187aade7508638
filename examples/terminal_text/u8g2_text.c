#include "u8g2_text.h"

#include <stddef.h>

/* The u8g2 font format, as far as this reader needs it. A font is a 23-byte header, then a
   record per glyph. Header bytes used here:
     2, 3    bit widths of a run of 0s and of a run of 1s
     4..8    bit widths of a glyph's width, height, x offset, y offset and advance
     17, 18  where the glyphs from 'A' start, high byte first, counted from byte 23
     19, 20  where the glyphs from 'a' start, the same way
   A record for a code up to 0xFF: the code, the record's length in bytes (0 ends the list),
   then a bit stream read from the least significant bit of each byte up: width and height
   (unsigned), x offset, y offset and advance (signed: the value less 2^(bits-1)), then the
   ink box row after row as pairs of runs, a run of 0s then a run of 1s, each pair followed by
   one bit that, when set, repeats the pair. Runs wrap from the end of a row to the next row.
   The box's lower left corner is x to the right of the pen and y above the baseline. */

enum { HEADER_SIZE = 23 };

struct bits {
    const uint8_t* data;
    unsigned position; /* in bits */
};

static unsigned read_unsigned(struct bits* bits, unsigned count) {
    unsigned value = 0;
    for (unsigned i = 0; i < count; ++i, ++bits->position) {
        value |= ((bits->data[bits->position / 8] >> (bits->position % 8)) & 1u) << i;
    }
    return value;
}

static int read_signed(struct bits* bits, unsigned count) {
    return (int)read_unsigned(bits, count) - (1 << (count - 1));
}

/* The bit stream of c's record, or NULL when the font has no glyph for it. */
static const uint8_t* find_glyph(const uint8_t* font, unsigned char c) {
    const uint8_t* record = font + HEADER_SIZE;
    if (c >= 'a') {
        record += (font[19] << 8) | font[20];
    } else if (c >= 'A') {
        record += (font[17] << 8) | font[18];
    }
    for (; record[1] != 0; record += record[1]) {
        if (record[0] == c) {
            return record + 2;
        }
    }
    return NULL;
}

/* Advances over `length` pixels of the box from (*x, *y), setting them when `ink`. */
static void run(struct canvas* canvas, int left, int top, int width, int* x, int* y,
                unsigned length, int ink) {
    for (unsigned i = 0; i < length; ++i) {
        if (ink) {
            canvas_set(canvas, left + *x, top + *y);
        }
        if (++*x == width) {
            *x = 0;
            ++*y;
        }
    }
}

int u8g2_draw_text(struct canvas* canvas, const uint8_t* font, int x, int y, const char* text) {
    for (const unsigned char* c = (const unsigned char*)text; *c != '\0'; ++c) {
        const uint8_t* glyph = find_glyph(font, *c);
        if (glyph == NULL) {
            continue;
        }
        struct bits bits = {glyph, 0};
        const int width = (int)read_unsigned(&bits, font[4]);
        const int height = (int)read_unsigned(&bits, font[5]);
        const int x_offset = read_signed(&bits, font[6]);
        const int y_offset = read_signed(&bits, font[7]);
        const int advance = read_signed(&bits, font[8]);
        if (width > 0) {
            const int left = x + x_offset;
            const int top = y - (height + y_offset);
            int column = 0, row = 0;
            while (row < height) {
                const unsigned zeros = read_unsigned(&bits, font[2]);
                const unsigned ones = read_unsigned(&bits, font[3]);
                do {
                    run(canvas, left, top, width, &column, &row, zeros, 0);
                    run(canvas, left, top, width, &column, &row, ones, 1);
                } while (read_unsigned(&bits, 1) != 0);
            }
        }
        x += advance;
    }
    return x;
}
