/* What a GFX font source needs of Adafruit_GFX.h on a host: the font structures, and PROGMEM,
   which places data in flash on AVR and means nothing here. */
#ifndef ADAFRUIT_GFX_H
#define ADAFRUIT_GFX_H

#include "gfxfont.h"

#ifndef PROGMEM
#define PROGMEM
#endif

#endif
