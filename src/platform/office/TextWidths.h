// The widths of characters in the document's type (Arial, and Liberation
// Sans that stands in for it), in thousandths of an em, from which the
// table's columns are fitted to what was typed into them.
#pragma once

namespace tesmo::office {

// The width of a character in the body type or, for a heading, the wider
// of it and its bold. Beyond ASCII a bound: the accented Latin letters are
// no wider than "O", other characters than 1.1 em; combining marks add
// nothing.
int charUnits(char32_t c, bool heading);

} // namespace tesmo::office
