/* What the README's examples use of SSD1306Wire.h (ThingPulse ESP8266/ESP32 OLED library): the
   display class, the font lookup hook, and the board's I2C pins. */
#ifndef SSD1306Wire_h
#define SSD1306Wire_h

#include <stdint.h>

#define SDA 21
#define SCL 22

typedef char (*FontTableLookupFunction)(const uint8_t ch);

class SSD1306Wire {
public:
    SSD1306Wire(uint8_t address, int sda = -1, int scl = -1);
    bool init();
    void clear();
    void display();
    void setFont(const uint8_t* fontData);
    void drawString(int16_t x, int16_t y, const char* text);
    void setFontTableLookupFunction(FontTableLookupFunction function);
    void drawXbm(int16_t x, int16_t y, int16_t width, int16_t height, const uint8_t* xbm);
};

#endif
