// The widths of characters in the document's type (Arial, and Liberation
// Sans that stands in for it), in thousandths of an em, from which the
// table's columns are fitted to what was typed into them. Asked for every
// character typed, so it is all here, to be inlined.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace tesmo::office {

namespace widths {

// The advance widths of the printable ASCII characters, from the blank to
// "~": of the body type and of its bold.
inline constexpr std::array<std::uint16_t, 95> kRegular = {
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556,  556,
    556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667, 611, 778,
    722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278,
    278, 278, 469, 556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584};
inline constexpr std::array<std::uint16_t, 95> kBold = {
    278, 333, 474, 556, 556, 889, 722, 238, 333, 333, 389, 584, 278, 333, 278, 278, 556, 556, 556, 556,
    556, 556, 556, 556, 556, 556, 333, 333, 584, 584, 584, 611, 975, 722, 722, 722, 722, 667, 611, 778,
    722, 278, 556, 722, 611, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 333,
    278, 333, 584, 556, 333, 556, 611, 556, 611, 556, 333, 611, 611, 278, 278, 556, 278, 889, 611, 611,
    611, 611, 389, 556, 333, 611, 556, 778, 556, 556, 500, 389, 280, 389, 584};

} // namespace widths

// The width of a character in the body type or, for a heading, the wider
// of it and its bold. Beyond ASCII a bound: the accented Latin letters are
// no wider than "O", other characters than 1.1 em; combining marks add
// nothing.
inline int charUnits(char32_t c, bool heading)
{
    using widths::kBold;
    using widths::kRegular;
    if (c >= 0x20 && c < 0x7F)
        return heading ? std::max(kRegular[c - 0x20], kBold[c - 0x20]) : kRegular[c - 0x20];
    if (c >= 0x300 && c < 0x370)
        return 0;
    if (c >= 0xC0 && c <= 0xFF && c != 0xC6 && c != 0xE6)
        return 778;
    return 1100;
}

} // namespace tesmo::office
