// One conversion on the real surface: clear, draw, scan every pixel, format the text.
#include "glyph/conversion.h"
#include "glyph/freetype_surface.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

// The whole table of c, as the window's output box ends up holding it.
std::string TableText(glyph::Surface& surface, char32_t c, glyph::ScanBounds bounds) {
    glyph::Conversion conversion(surface, c, bounds);
    std::string text = conversion.header();
    conversion.NextRow(text);
    // Every row's line is as long as the first.
    const std::size_t row = text.size() - conversion.header().size();
    text.reserve(conversion.header().size() +
                 row * static_cast<std::size_t>(conversion.rowCount()));
    while (conversion.NextRow(text)) {
    }
    return text;
}

void BM_Convert(benchmark::State& state) {
    const auto size = static_cast<float>(state.range(0));
    glyph::FreeTypeSurface surface({"DejaVu Sans", size});
    glyph::ScanBounds bounds;
    bounds.UpdateScanSize(size, false);
    // Cycle through the capital letters so no single glyph is measured alone.
    char32_t c = U'A';
    for (auto _ : state) {
        std::string text = TableText(surface, c, bounds);
        benchmark::DoNotOptimize(text);
        c = c == U'Z' ? U'A' : c + 1;
    }
    state.counters["rows"] = bounds.ScanHeight + 1;
}
BENCHMARK(BM_Convert)->Arg(10)->Arg(72)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
