// Reading UTF-8 a code point at a time, for the writers that copy names and
// tickers as bytes: only well-formed UTF-8 is read, as QString reads it;
// anything else is left to the texts, where it shows as replacement marks.
#pragma once

#include <cstdint>
#include <string_view>

namespace tesmo {

// Decodes the code point at p into c and moves p past it. False, with p
// unmoved, for bytes that are not well-formed UTF-8: a stray or missing
// continuation byte, an overlong form, a surrogate, a code point beyond
// U+10FFFF, or a sequence cut short by end.
inline bool decodeUtf8(const char *&p, const char *end, char32_t &c)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    const unsigned char b = u[0];
    if (b < 0x80) {
        c = b;
        ++p;
        return true;
    }
    const int length = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (length == 0 || end - p < length)
        return false;
    char32_t value = b & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((u[i] & 0xC0) != 0x80)
            return false;
        value = value << 6 | (u[i] & 0x3F);
    }
    if ((length == 3 && (value < 0x800 || (value >= 0xD800 && value <= 0xDFFF))) || (length == 4 && (value < 0x10000 || value > 0x10FFFF)))
        return false;
    c = value;
    p += length;
    return true;
}

// True when the whole text is well-formed UTF-8.
inline bool isWellFormedUtf8(std::string_view text)
{
    const char *p = text.data();
    const char *end = p + text.size();
    char32_t c = 0;
    while (p < end) {
        if (std::uint8_t(*p) < 0x80)
            ++p;
        else if (!decodeUtf8(p, end, c))
            return false;
    }
    return true;
}

} // namespace tesmo
