// Where a writer's text goes.
#pragma once

#include <string>
#include <string_view>

namespace formats {

class Sink {
public:
    virtual ~Sink() = default;
    virtual void Write(std::string_view text) = 0;
};

// Passes text on with each "\n" written as `eol`.
class LineEndSink : public Sink {
public:
    LineEndSink(Sink& next, std::string_view eol) : next_(next), eol_(eol) {}
    void Write(std::string_view text) override;

private:
    Sink& next_;
    std::string eol_;
    std::string buffer_;
};

} // namespace formats
