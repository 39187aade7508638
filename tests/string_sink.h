// A writer's whole text collected in a string, for the tests to read back.
#pragma once

#include "formats/format_registry.h"
#include "formats/sink.h"
#include "glyph/strike.h"

#include <string>
#include <string_view>

namespace test {

class StringSink : public formats::Sink {
public:
    void Write(std::string_view text) override { text_ += text; }
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The text the named format writes for the whole strike.
inline std::string WriteStrike(std::string_view format, const formats::FormatOptions& options,
                               const glyph::Strike& strike) {
    const auto writer = formats::MakeWriter(format, options);
    StringSink sink;
    writer->Begin(strike.facts, strike.glyphs.size(), sink);
    for (const glyph::StrikeGlyph& g : strike.glyphs) {
        writer->Add(g);
    }
    writer->Finish();
    return sink.text();
}

} // namespace test
