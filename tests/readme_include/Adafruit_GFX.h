/* What the README's Adafruit GFX examples use of Adafruit_GFX.h, declared as the library declares
   it: the font structures, PROGMEM, and the drawing calls of the Adafruit_GFX class. */
#ifndef ADAFRUIT_GFX_H
#define ADAFRUIT_GFX_H

#include "gfxfont.h"

#include <stddef.h>
#include <stdint.h>

#ifndef PROGMEM
#define PROGMEM
#endif

#ifdef __cplusplus
class Adafruit_GFX {
public:
    Adafruit_GFX(int16_t w, int16_t h);
    void setFont(const GFXfont* f = NULL);
    void setCursor(int16_t x, int16_t y);
    void setTextColor(uint16_t c);
    void drawXBitmap(int16_t x, int16_t y, const uint8_t bitmap[], int16_t w, int16_t h,
                     uint16_t color);
    size_t print(const char* text);
};
#endif

#endif
