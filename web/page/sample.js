// The sample line: the user's text drawn from glyphs the converter wrote as a BDF font, each
// at its offset from the pen, the pen moving by the glyph's advance (DWIDTH).

// The glyphs of a BDF file: code -> {advance, width, height, x, y, rows: [Uint8Array...]},
// and the font's ascent and descent.
export function parseBdf(text) {
    const glyphs = new Map();
    let ascent = 0;
    let descent = 0;
    let glyph = null;
    let bitmapRows = null;
    for (const line of text.split('\n')) {
        const words = line.trim().split(/\s+/);
        const key = words[0];
        if (bitmapRows !== null && key !== 'ENDCHAR') {
            bitmapRows.push(line.trim());
            continue;
        }
        if (key === 'FONT_ASCENT') ascent = Number(words[1]);
        else if (key === 'FONT_DESCENT') descent = Number(words[1]);
        else if (key === 'STARTCHAR') glyph = {code: -1, advance: 0, width: 0, height: 0, x: 0, y: 0};
        else if (glyph && key === 'ENCODING') glyph.code = Number(words[1]);
        else if (glyph && key === 'DWIDTH') glyph.advance = Number(words[1]);
        else if (glyph && key === 'BBX') {
            [glyph.width, glyph.height, glyph.x, glyph.y] = words.slice(1, 5).map(Number);
        } else if (glyph && key === 'BITMAP') bitmapRows = [];
        else if (glyph && key === 'ENDCHAR') {
            glyph.rows = (bitmapRows ?? []).map(hexRow);
            glyphs.set(glyph.code, glyph);
            glyph = null;
            bitmapRows = null;
        }
    }
    return {glyphs, ascent, descent};
}

function hexRow(hex) {
    const bytes = new Uint8Array(hex.length / 2);
    for (let i = 0; i < bytes.length; ++i) bytes[i] = parseInt(hex.substr(2 * i, 2), 16);
    return bytes;
}

const kMargin = 2;

// Draws `text` one pixel per font pixel onto `canvas`, black on white.
export function drawSample(canvas, font, text) {
    const codes = [...text].map((c) => c.codePointAt(0));
    let width = 0;
    let minX = 0;
    let maxX = 0;
    for (const code of codes) {
        const glyph = font.glyphs.get(code);
        if (!glyph) continue;
        minX = Math.min(minX, width + glyph.x);
        maxX = Math.max(maxX, width + glyph.x + glyph.width);
        width += glyph.advance;
    }
    maxX = Math.max(maxX, width);
    const height = font.ascent + font.descent;
    canvas.width = maxX - minX + 2 * kMargin;
    canvas.height = Math.max(height, 1) + 2 * kMargin;
    const context = canvas.getContext('2d');
    const image = context.createImageData(canvas.width, canvas.height);
    image.data.fill(255);
    const baseline = kMargin + font.ascent;
    let pen = kMargin - minX;
    for (const code of codes) {
        const glyph = font.glyphs.get(code);
        if (!glyph) continue;
        const top = baseline - glyph.y - glyph.height;
        glyph.rows.forEach((row, r) => {
            for (let c = 0; c < glyph.width; ++c) {
                if ((row[c >> 3] >> (7 - (c & 7))) & 1) setBlack(image, pen + glyph.x + c, top + r);
            }
        });
        pen += glyph.advance;
    }
    context.putImageData(image, 0, 0);
}

function setBlack(image, x, y) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    const at = 4 * (y * image.width + x);
    image.data[at] = image.data[at + 1] = image.data[at + 2] = 0;
}
