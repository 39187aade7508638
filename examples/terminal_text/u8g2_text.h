/* Text in a u8g2 font. */
#ifndef U8G2_TEXT_H
#define U8G2_TEXT_H

#include "canvas.h"

#include <stdint.h>

/* Draws `text` (one byte a character, codes up to 0xFF) with its pen starting at x on baseline
   y; returns the pen position after it. A character the font lacks is skipped. */
int u8g2_draw_text(struct canvas* canvas, const uint8_t* font, int x, int y, const char* text);

#endif
