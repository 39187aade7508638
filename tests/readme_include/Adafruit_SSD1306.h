/* What the README's examples use of Adafruit_SSD1306.h: the display class and its constants. */
#ifndef ADAFRUIT_SSD1306_H
#define ADAFRUIT_SSD1306_H

#include <Adafruit_GFX.h>

#define SSD1306_SWITCHCAPVCC 0x02
#define SSD1306_WHITE 1

class TwoWire {};
extern TwoWire Wire;

class Adafruit_SSD1306 : public Adafruit_GFX {
public:
    Adafruit_SSD1306(uint8_t w, uint8_t h, TwoWire* twi = &Wire, int8_t rst_pin = -1);
    bool begin(uint8_t switchvcc = SSD1306_SWITCHCAPVCC, uint8_t i2caddr = 0);
    void clearDisplay();
    void display();
};

#endif
