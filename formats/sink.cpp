#include "formats/sink.h"

namespace formats {

void LineEndSink::Write(std::string_view text) {
    if (eol_ == "\n") {
        next_.Write(text);
        return;
    }
    buffer_.clear();
    for (char c : text) {
        if (c == '\n') {
            buffer_ += eol_;
        } else {
            buffer_ += c;
        }
    }
    next_.Write(buffer_);
}

} // namespace formats
