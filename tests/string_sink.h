// A writer's whole text collected in a string, for the tests to read back.
#pragma once

#include "formats/sink.h"

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

} // namespace test
