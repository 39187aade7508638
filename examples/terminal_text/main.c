/* Draws a line of text in two fonts that the build made: an Adafruit GFX font and a u8g2 font,
   each read through its format's public structure, and prints each as '#' art. */
#include "canvas.h"
#include "gfx_text.h"
#include "sans_gfx.h"
#include "serif_u8g2.h"
#include "u8g2_text.h"

#include <stdio.h>

int main(int argc, char** argv) {
    const char* text = argc > 1 ? argv[1] : "Hello, world";
    /* Room above the baseline for the tallest glyph, below it for the deepest. */
    const int baseline = 64;
    static struct canvas canvas;

    canvas_clear(&canvas);
    gfx_draw_text(&canvas, &sans_gfx, 0, baseline, text);
    printf("gfx sans_gfx:\n");
    canvas_print(&canvas);

    canvas_clear(&canvas);
    u8g2_draw_text(&canvas, serif_u8g2, 0, baseline, text);
    printf("\nu8g2 serif_u8g2:\n");
    canvas_print(&canvas);
    return 0;
}
