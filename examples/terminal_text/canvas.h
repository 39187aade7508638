/* A 1-bit picture that text is drawn into, and printed as '#' art. */
#ifndef CANVAS_H
#define CANVAS_H

enum { CANVAS_WIDTH = 1024, CANVAS_HEIGHT = 96 };

struct canvas {
    unsigned char ink[CANVAS_HEIGHT][CANVAS_WIDTH];
};

void canvas_clear(struct canvas* canvas);
/* Sets the pixel at (x, y); a pixel outside the picture is dropped. */
void canvas_set(struct canvas* canvas, int x, int y);
/* Prints the rows and columns that hold ink, '#' for ink and ' ' for none, one line a row. */
void canvas_print(const struct canvas* canvas);

#endif
