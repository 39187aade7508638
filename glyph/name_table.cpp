#include "glyph/name_table.h"

#include "glyph/utf8.h"

#include FT_BDF_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <memory>
#include <optional>
#include <string_view>

namespace glyph {

namespace {

// Text for one line of a comment: runs of blanks and line breaks become one space, other
// control characters go. Written straight into the string, printable ASCII by the shortest
// way: a licence runs to kilobytes.
class OneLineText {
public:
    explicit OneLineText(std::size_t characters)
        : room_(std::make_unique_for_overwrite<char[]>(characters * 4)), begin_(room_.get()),
          out_(begin_) {}

    void Add(char32_t c) {
        if (c > 0x20 && c < 0x7F) {
            Space();
            *out_++ = static_cast<char>(c);
        } else {
            AddOther(c);
        }
    }
    std::string Take() const { return {begin_, out_}; }

private:
    void Space() {
        if (blank_ && out_ != begin_) {
            *out_++ = ' ';
        }
        blank_ = false;
    }
    void AddOther(char32_t c) {
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029) {
            blank_ = true;
            return;
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            return;
        }
        Space();
        std::string encoded;
        AppendUtf8(encoded, c);
        out_ = std::copy(encoded.begin(), encoded.end(), out_);
    }

    std::unique_ptr<char[]> room_; // room for every character at its longest
    char* begin_;
    char* out_;
    bool blank_ = false;
};

std::string OneLine(std::u32string_view text) {
    OneLineText line(text.size());
    for (char32_t c : text) {
        line.Add(c);
    }
    return line.Take();
}

// A name-table string as one line: UTF-16BE for Unicode and Windows names, Latin-1 as far as it
// goes for the old Macintosh ones (their upper half is not Latin-1: those characters become '?').
std::string DecodeName(const FT_SfntName& name) {
    OneLineText line(name.string_len);
    if (name.platform_id == TT_PLATFORM_APPLE_UNICODE ||
        name.platform_id == TT_PLATFORM_MICROSOFT) {
        for (FT_UInt i = 0; i + 1 < name.string_len; i += 2) {
            if (name.string[i] == 0) { // U+0000 to U+00FF: no surrogate
                line.Add(name.string[i + 1]);
                continue;
            }
            char32_t unit = static_cast<char32_t>(name.string[i] << 8 | name.string[i + 1]);
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < name.string_len) {
                const char32_t low =
                    static_cast<char32_t>(name.string[i + 2] << 8 | name.string[i + 3]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            line.Add(unit);
        }
    } else {
        for (FT_UInt i = 0; i < name.string_len; ++i) {
            line.Add(name.string[i] < 0x80 ? static_cast<char32_t>(name.string[i]) : U'?');
        }
    }
    return line.Take();
}

// Name `id` of the face's name table, preferring US English Windows names, then any Unicode
// name, then a Macintosh one.
std::string NameTableEntry(FT_Face face, FT_UShort id) {
    int bestRank = 0;
    FT_SfntName best{};
    const FT_UInt count = FT_Get_Sfnt_Name_Count(face);
    for (FT_UInt i = 0; i < count; ++i) {
        FT_SfntName name{};
        if (FT_Get_Sfnt_Name(face, i, &name) != 0 || name.name_id != id) {
            continue;
        }
        int rank = 1;
        if (name.platform_id == TT_PLATFORM_MICROSOFT) {
            if (name.encoding_id != TT_MS_ID_UNICODE_CS && name.encoding_id != TT_MS_ID_UCS_4) {
                continue;
            }
            rank = name.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES ? 4 : 3;
        } else if (name.platform_id == TT_PLATFORM_APPLE_UNICODE) {
            rank = 2;
        } else if (name.platform_id != TT_PLATFORM_MACINTOSH ||
                   name.encoding_id != TT_MAC_ID_ROMAN) {
            continue;
        }
        if (rank > bestRank) {
            bestRank = rank;
            best = name;
        }
    }
    return bestRank > 0 ? DecodeName(best) : std::string();
}

std::string BdfString(FT_Face face, const char* property) {
    BDF_PropertyRec value{};
    if (FT_Get_BDF_Property(face, property, &value) != 0 || value.type != BDF_PROPERTY_TYPE_ATOM ||
        value.u.atom == nullptr) {
        return {};
    }
    const std::optional<std::u32string> text = DecodeUtf8(value.u.atom);
    std::u32string latin1;
    if (!text) {
        for (const char* c = value.u.atom; *c != '\0'; ++c) {
            latin1 += static_cast<char32_t>(static_cast<unsigned char>(*c));
        }
    }
    return OneLine(text ? *text : latin1);
}

// The OS/2 table's four-letter vendor ID without its padding.
std::string VendorOf(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    std::string vendor;
    if (os2 != nullptr) {
        for (const FT_Char c : os2->achVendID) {
            if (c > 0x20 && c < 0x7F) {
                vendor += c;
            }
        }
    }
    return vendor;
}

} // namespace

FaceNames ReadFaceNames(FT_Face face) {
    FaceNames names;
    if (!FT_IS_SFNT(face)) {
        names.copyright = BdfString(face, "COPYRIGHT");
        names.licence = BdfString(face, "NOTICE");
        names.foundry = BdfString(face, "FOUNDRY");
        return names;
    }
    names.copyright = NameTableEntry(face, TT_NAME_ID_COPYRIGHT);
    names.licence = NameTableEntry(face, TT_NAME_ID_LICENSE);
    if (names.licence.empty()) {
        names.licence = NameTableEntry(face, TT_NAME_ID_LICENSE_URL);
    }
    names.foundry = VendorOf(face);
    return names;
}

} // namespace glyph
