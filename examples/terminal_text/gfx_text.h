/* Text in an Adafruit GFX font. */
#ifndef GFX_TEXT_H
#define GFX_TEXT_H

#include "canvas.h"
#include "gfxfont.h"

/* Draws `text` (one byte a character) with its pen starting at x on baseline y; returns the pen
   position after it. A character outside the font's first..last is skipped. */
int gfx_draw_text(struct canvas* canvas, const GFXfont* font, int x, int y, const char* text);

#endif
