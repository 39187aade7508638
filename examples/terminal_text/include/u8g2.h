/* What a u8g2 font source needs of u8g2.h on a host: uint8_t, and U8G2_FONT_SECTION, which
   places a font in a linker section of its own on some targets and means nothing here. */
#ifndef U8G2_H
#define U8G2_H

#include <stdint.h>

#ifndef U8G2_FONT_SECTION
#define U8G2_FONT_SECTION(name)
#endif

#endif
