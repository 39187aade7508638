#!/usr/bin/python3
"""Writes the small TrueType and OpenType (CFF) seed fonts of corpus/font/ for font_fuzzer.

Needs fontTools (Debian: python3-fonttools). The seeds are committed; run this only to change
them: fuzz/make_font_seeds.py fuzz/corpus/font
"""
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.ttGlyphPen import TTGlyphPen

UNITS = 1000
# Outlines in font units: a box for .notdef, a triangle for A, a ring for o (two contours, the
# inner one reversed), a descender for g and nothing for space.
SHAPES = {
    ".notdef": [[(50, 0), (50, 700), (450, 700), (450, 0)]],
    "A": [[(20, 0), (300, 720), (580, 0)]],
    "o": [[(50, 0), (50, 500), (450, 500), (450, 0)], [(150, 100), (350, 100), (350, 400), (150, 400)]],
    "g": [[(50, -200), (50, 500), (450, 500), (450, -200)]],
    "space": [],
}
CMAP = {0x20: "space", 0x41: "A", 0x67: "g", 0x6F: "o"}
NAMES = {"familyName": "Rastova Seed", "styleName": "Regular"}


def draw(pen, contours):
    for contour in contours:
        pen.moveTo(contour[0])
        for point in contour[1:]:
            pen.lineTo(point)
        pen.closePath()


def start(cff):
    builder = FontBuilder(UNITS, isTTF=not cff)
    builder.setupGlyphOrder(list(SHAPES))
    builder.setupCharacterMap(CMAP)
    return builder


def finish(builder, path):
    metrics = {name: (600, 0) for name in SHAPES}
    builder.setupHorizontalMetrics(metrics)
    builder.setupHorizontalHeader(ascent=800, descent=-200)
    builder.setupNameTable(NAMES)
    builder.setupOS2(sTypoAscender=800, sTypoDescender=-200, usWinAscent=800, usWinDescent=200)
    builder.setupPost()
    builder.save(path)


# Kerning as both kinds of GPOS pair positioning: glyph pairs (format 1) and class pairs
# (format 2), under 'kern' for the default script and Latin.
KERNING = """
languagesystem DFLT dflt;
languagesystem latn dflt;
@LEFT = [A o];
@RIGHT = [g o];
feature kern {
    pos A o -80;
    pos space A -30;
    pos @LEFT @RIGHT -20;
} kern;
"""


def truetype(path, features=None):
    builder = start(False)
    glyphs = {}
    for name, contours in SHAPES.items():
        pen = TTGlyphPen(None)
        draw(pen, contours)
        glyphs[name] = pen.glyph()
    builder.setupGlyf(glyphs)
    if features:
        from fontTools.feaLib.builder import addOpenTypeFeaturesFromString

        addOpenTypeFeaturesFromString(builder.font, features)
    finish(builder, path)


def opentype(path):
    builder = start(True)
    charstrings = {}
    for name, contours in SHAPES.items():
        pen = T2CharStringPen(600, None)
        draw(pen, contours)
        charstrings[name] = pen.getCharString()
    builder.setupCFF("RastovaSeed-Regular", {"FullName": "Rastova Seed"}, charstrings, {})
    finish(builder, path)


if __name__ == "__main__":
    folder = sys.argv[1] if len(sys.argv) > 1 else "corpus/font"
    truetype(folder + "/seed.ttf")
    opentype(folder + "/seed.otf")
    truetype(folder + "/seed-kern.ttf", KERNING)
