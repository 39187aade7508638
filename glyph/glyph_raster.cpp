// Drawing one glyph with FreeType: the part of FontFaces that rasterises.
#include "glyph/bitmap.h"
#include "glyph/font_faces.h"
#include "glyph/font_faces_state.h"

#include FT_OUTLINE_H
#include FT_SYNTHESIS_H

#include <algorithm>
#include <cstdio>

namespace glyph {

namespace {

// FreeType draws no bitmap with a pixel farther than this from the pen, in any direction.
constexpr long kRasterLimit = 0x7FFF;

std::string Dimensions(long width, long height) {
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Draws an outline too large for FT_Render_Glyph straight into a bitmap of the largest size
// FreeType takes, holding the top-left part of the glyph's box, at the depth asked for.
void RenderLargeOutline(FontFaces::State& state, FT_GlyphSlot glyph, Depth depth,
                        GlyphRaster& raster) {
    FT_BBox box{};
    FT_Outline_Get_CBox(&glyph->outline, &box);
    const FT_Pos left = box.xMin & ~63;
    const FT_Pos top = (box.yMax + 63) & ~63;
    const long fullWidth = (((box.xMax + 63) & ~63) - left) >> 6;
    const long fullHeight = (top - (box.yMin & ~63)) >> 6;
    const long width = std::min(fullWidth, kRasterLimit);
    const long height = std::min(fullHeight, kRasterLimit);
    raster.problem = "too large for FreeType to draw whole (" + Dimensions(fullWidth, fullHeight) +
                     "); only the top-left " + Dimensions(width, height) + " are drawn";

    FT_Bitmap target{};
    target.width = static_cast<unsigned>(width);
    target.rows = static_cast<unsigned>(height);
    const bool grey = depth == Depth::Eight;
    target.pitch = Bitmap::Stride(static_cast<int>(width), depth);
    target.pixel_mode = grey ? FT_PIXEL_MODE_GRAY : FT_PIXEL_MODE_MONO;
    target.num_grays = grey ? 256 : 2;
    state.partial.assign(static_cast<std::size_t>(target.pitch) * target.rows, 0);
    target.buffer = state.partial.data();
    FT_Outline_Translate(&glyph->outline, -left, -(top - height * 64));
    if (const FT_Error error =
            FT_Outline_Get_Bitmap(state.library.get(), &glyph->outline, &target)) {
        raster.problem = "FreeType could not draw it: " + FreeTypeMessage(error);
        raster.width = raster.height = 0;
        return;
    }
    raster.left = static_cast<int>(left >> 6);
    raster.top = static_cast<int>(top >> 6);
    raster.width = static_cast<int>(width);
    raster.height = static_cast<int>(height);
    raster.pitch = target.pitch;
    raster.pixels = grey ? GlyphRaster::Pixels::Grey : GlyphRaster::Pixels::Mono;
    raster.buffer = state.partial.data();
}

} // namespace

FT_Int32 LoadFlags(Hinting hinting, Depth depth) {
    const FT_Int32 target = depth == Depth::Eight ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO;
    switch (hinting) {
    case Hinting::Normal:
        break;
    case Hinting::Light:
        return FT_LOAD_TARGET_LIGHT;
    case Hinting::None:
        return target | FT_LOAD_NO_HINTING;
    case Hinting::Auto:
        return target | FT_LOAD_FORCE_AUTOHINT;
    }
    return target;
}

unsigned char GlyphRaster::Grey(int x, int y) const {
    const unsigned char* row = buffer + static_cast<long>(y) * pitch;
    switch (pixels) {
    case Pixels::Mono:
        return Bitmap::PixelIn(row, x) ? 0 : 255;
    case Pixels::Grey:
        return static_cast<unsigned char>(255 - row[x]);
    case Pixels::Bgra: {
        // Premultiplied colour over white paper, as grey.
        const unsigned char* pixel = row + 4 * x;
        const unsigned grey = (pixel[0] + pixel[1] + pixel[2]) / 3 + (255U - pixel[3]);
        return static_cast<unsigned char>(std::min(grey, 255U));
    }
    }
    return 255;
}

const GlyphRaster& FontFaces::Render(char32_t c, Depth depth) {
    State& state = Resolved();
    GlyphRaster& raster = state.raster;
    raster = GlyphRaster{};
    const FaceSlot* found = state.SlotFor(c);
    raster.found = found != nullptr;
    const FaceSlot& slot = found != nullptr ? *found : state.primary;
    FT_Face face = slot.face;
    if (&slot != &state.primary || face->size->metrics.y_ppem == 0) {
        state.SetSize(slot);
    }
    // Faces are shared between slots, so the transform is set before every load.
    FT_Set_Transform(face, slot.transformed ? const_cast<FT_Matrix*>(&slot.matrix) : nullptr,
                     nullptr);
    const bool grey = depth == Depth::Eight;
    FT_Int32 flags = LoadFlags(state.hinting, depth);
    if (FT_HAS_COLOR(face)) {
        flags |= FT_LOAD_COLOR;
    }
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (const FT_Error error = FT_Load_Glyph(face, index, flags)) {
        raster.problem = "FreeType could not load it: " + FreeTypeMessage(error);
        return raster;
    }
    FT_GlyphSlot glyph = face->glyph;
    raster.advance = glyph->advance.x;
    if (glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        raster.problem = MissingOutline(face, index);
        if (!raster.problem.empty()) {
            return raster;
        }
    }
    if (slot.embolden && glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_GlyphSlot_Embolden(glyph);
        raster.advance = glyph->advance.x;
    }
    if (glyph->format != FT_GLYPH_FORMAT_BITMAP) {
        const FT_Render_Mode mode = grey ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO;
        if (const FT_Error error = FT_Render_Glyph(glyph, mode)) {
            if (FT_ERROR_BASE(error) == FT_Err_Raster_Overflow &&
                glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
                RenderLargeOutline(state, glyph, depth, raster);
            } else {
                raster.problem = "FreeType could not draw it: " + FreeTypeMessage(error);
            }
            return raster;
        }
    }
    const FT_Bitmap& bitmap = glyph->bitmap;
    switch (bitmap.pixel_mode) {
    case FT_PIXEL_MODE_MONO:
        raster.pixels = GlyphRaster::Pixels::Mono;
        break;
    case FT_PIXEL_MODE_GRAY:
        raster.pixels = GlyphRaster::Pixels::Grey;
        break;
    case FT_PIXEL_MODE_BGRA:
        raster.pixels = GlyphRaster::Pixels::Bgra;
        break;
    default:
        raster.problem = "FreeType drew it in a pixel format this program does not read";
        return raster;
    }
    if (bitmap.buffer == nullptr && bitmap.width > 0 && bitmap.rows > 0) {
        // A malformed bitmap font can give a glyph a size but no pixels (a BDF glyph with a
        // BBX and no BITMAP lines): there is nothing to read.
        raster.problem = "the font gives its size but no pixels";
        return raster;
    }
    raster.left = glyph->bitmap_left;
    raster.top = glyph->bitmap_top;
    raster.width = static_cast<int>(bitmap.width);
    raster.height = static_cast<int>(bitmap.rows);
    raster.pitch = bitmap.pitch;
    raster.buffer = bitmap.buffer;
    if (raster.pitch < 0) {
        // Rows stored bottom up: the first row in memory is the bottom one.
        raster.buffer = bitmap.buffer + static_cast<long>(-raster.pitch) * (raster.height - 1);
    }
    return raster;
}

} // namespace glyph
