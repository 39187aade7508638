/* What the README's examples use of u8g2.h, the library's C interface: U8G2_FONT_SECTION, the
   display structure (opaque here) and the calls that set a font and draw text. */
#ifndef U8G2_H
#define U8G2_H

#include <stdint.h>

#ifndef U8G2_FONT_SECTION
#define U8G2_FONT_SECTION(name)
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct u8g2_struct u8g2_t;
typedef struct u8g2_cb_struct u8g2_cb_t;
typedef uint16_t u8g2_uint_t;

extern const u8g2_cb_t u8g2_cb_r0;
#define U8G2_R0 (&u8g2_cb_r0)

void u8g2_SetFont(u8g2_t* u8g2, const uint8_t* font);
u8g2_uint_t u8g2_DrawUTF8(u8g2_t* u8g2, u8g2_uint_t x, u8g2_uint_t y, const char* str);
void u8g2_ClearBuffer(u8g2_t* u8g2);
void u8g2_SendBuffer(u8g2_t* u8g2);

#ifdef __cplusplus
}
#endif

#endif
