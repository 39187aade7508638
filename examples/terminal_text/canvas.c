#include "canvas.h"

#include <stdio.h>
#include <string.h>

void canvas_clear(struct canvas* canvas) {
    memset(canvas->ink, 0, sizeof canvas->ink);
}

void canvas_set(struct canvas* canvas, int x, int y) {
    if (x >= 0 && x < CANVAS_WIDTH && y >= 0 && y < CANVAS_HEIGHT) {
        canvas->ink[y][x] = 1;
    }
}

void canvas_print(const struct canvas* canvas) {
    int top = CANVAS_HEIGHT, bottom = -1, left = CANVAS_WIDTH, right = -1;
    for (int y = 0; y < CANVAS_HEIGHT; ++y) {
        for (int x = 0; x < CANVAS_WIDTH; ++x) {
            if (canvas->ink[y][x]) {
                top = y < top ? y : top;
                bottom = y > bottom ? y : bottom;
                left = x < left ? x : left;
                right = x > right ? x : right;
            }
        }
    }
    for (int y = top; y <= bottom; ++y) {
        for (int x = left; x <= right; ++x) {
            putchar(canvas->ink[y][x] ? '#' : ' ');
        }
        putchar('\n');
    }
}
