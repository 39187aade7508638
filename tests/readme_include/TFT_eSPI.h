/* What the README's smooth font example uses of TFT_eSPI.h: the display class, its colours and
   loading a smooth font from an array in flash. */
#ifndef TFT_ESPI_H
#define TFT_ESPI_H

#include <stdint.h>

#define TFT_BLACK 0x0000
#define TFT_WHITE 0xFFFF

class TFT_eSPI {
public:
    TFT_eSPI(int16_t w = 240, int16_t h = 320);
    void init(uint8_t tc = 0);
    void fillScreen(uint32_t color);
    void setTextColor(uint16_t fgcolor, uint16_t bgcolor, bool bgfill = false);
    void loadFont(const uint8_t array[]);
    void unloadFont();
    int16_t drawString(const char* string, int32_t x, int32_t y);
};

#endif
