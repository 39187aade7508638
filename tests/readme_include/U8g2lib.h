/* What the README's examples use of U8g2lib.h, the library's Arduino interface: the U8G2 class
   and one display's constructor. */
#ifndef U8G2LIB_HH
#define U8G2LIB_HH

#include "u8g2.h"

#include <stddef.h>

#define U8X8_PIN_NONE 255

class U8G2 {
public:
    bool begin();
    void clearBuffer();
    void sendBuffer();
    void setFont(const uint8_t* font);
    u8g2_uint_t drawUTF8(u8g2_uint_t x, u8g2_uint_t y, const char* s);
    void enableUTF8Print();
    void setCursor(u8g2_uint_t x, u8g2_uint_t y);
    size_t print(const char* s);
    void drawXBM(u8g2_uint_t x, u8g2_uint_t y, u8g2_uint_t w, u8g2_uint_t h, const uint8_t* bitmap);
};

class U8G2_SSD1306_128X64_NONAME_F_HW_I2C : public U8G2 {
public:
    explicit U8G2_SSD1306_128X64_NONAME_F_HW_I2C(const u8g2_cb_t* rotation,
                                                 uint8_t reset = U8X8_PIN_NONE);
};

#endif
