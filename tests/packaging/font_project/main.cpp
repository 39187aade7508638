// The fonts through their headers, from C++: the generated sources are C, their headers serve
// both.
#include "cells.h"
#include "icons.h"
#include "mono.h"
#include "sans.h"
#include "ui_text.h"

#include <cstdio>

int main() {
    // A raw font's header gives its record size, so records index as rows of a table.
    static_assert(sizeof cells == cells_COUNT * cells_BYTES, "whole records");
    std::printf("%d %d %d %d %d\n", sans[0], mono[0], cells['y' - cells_FIRST][cells_BYTES - 1],
                ui_text[0], icons[0]);
    return 0;
}
