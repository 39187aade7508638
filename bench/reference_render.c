/* The floor for rastova-convert's timing: a C program that only opens a face with FreeType and
 * renders the printable ASCII glyphs at one pixel size, writing nothing: in monochrome, or
 * anti-aliased with "grey".
 * Usage: reference_render FONT_FILE PIXELS [grey] */
#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    FT_Library library;
    FT_Face face;
    unsigned long rows = 0;
    const int grey = argc == 4 && strcmp(argv[3], "grey") == 0;
    if ((argc != 3 && !grey) || FT_Init_FreeType(&library) != 0 ||
        FT_New_Face(library, argv[1], 0, &face) != 0 ||
        FT_Set_Pixel_Sizes(face, 0, (FT_UInt)atoi(argv[2])) != 0) {
        fprintf(stderr, "usage: reference_render FONT_FILE PIXELS [grey]\n");
        return 2;
    }
    for (FT_ULong c = 0x20; c <= 0x7E; ++c) {
        if (FT_Load_Char(face, c, FT_LOAD_RENDER | (grey ? 0 : FT_LOAD_TARGET_MONO)) == 0) {
            rows += face->glyph->bitmap.rows;
        }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return rows == 0;
}
