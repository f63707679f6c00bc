// UTF-8 and UTF-16, the two forms a path takes in the programs (UTF-8 inside, UTF-16 at the
// system's wide calls), converted the same way on every system. A byte sequence that is not
// UTF-8, and a lone surrogate, become U+FFFD: such a name can match no existing file, and never
// shortens into another name.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace pellucor {

namespace utf16_detail {

constexpr char32_t kReplacement = 0xFFFD;

inline bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point that starts at `at`, and how many bytes it takes (at least one).
inline char32_t DecodeOne(std::string_view text, std::size_t at, std::size_t& used) {
    const auto lead = static_cast<unsigned char>(text[at]);
    used = 1;
    if (lead < 0x80) {
        return lead;
    }
    // The lead byte gives the length; what it leaves for the value, and the smallest value
    // that needs that length (a longer form than needed is refused).
    struct Form {
        unsigned char mask, pattern;
        std::size_t length;
        char32_t lowest;
    };
    static constexpr Form kForms[] = {
        {0xE0, 0xC0, 2, 0x80}, {0xF0, 0xE0, 3, 0x800}, {0xF8, 0xF0, 4, 0x10000}};
    const Form* form = nullptr;
    for (const Form& candidate : kForms) {
        if ((lead & candidate.mask) == candidate.pattern) {
            form = &candidate;
        }
    }
    if (!form) {
        return kReplacement;
    }
    const std::size_t length = form->length;
    char32_t value = lead & static_cast<unsigned char>(~form->mask);
    for (std::size_t i = 1; i < length; ++i) {
        if (at + i >= text.size() || !IsContinuation(static_cast<unsigned char>(text[at + i]))) {
            used = i;
            return kReplacement;
        }
        value = (value << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    }
    used = length;
    const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
    return value < form->lowest || value > 0x10FFFF || surrogate ? kReplacement : value;
}

inline void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace utf16_detail

inline std::u16string Utf16FromUtf8(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t at = 0, used = 0; at < utf8.size(); at += used) {
        const char32_t c = utf16_detail::DecodeOne(utf8, at, used);
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

inline std::string Utf8FromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t at = 0; at < utf16.size(); ++at) {
        const char16_t unit = utf16[at];
        char32_t c = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && at + 1 < utf16.size() && utf16[at + 1] >= 0xDC00 &&
            utf16[at + 1] <= 0xDFFF) {
            c = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (utf16[++at] - 0xDC00);
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            c = utf16_detail::kReplacement;
        }
        utf16_detail::AppendUtf8(out, c);
    }
    return out;
}

}  // namespace pellucor
