// Texts as an office file holds them: each control character (U+0000 to
// U+001F, U+007F to U+009F) and each of U+FFFE and U+FFFF a blank. XML 1.0
// cannot hold most of them, and a reader shows the rest as boxes or breaks.
#pragma once

#include "text/Limits.h"

#include <QString>
#include <string>
#include <string_view>

namespace tesmo::office {

constexpr bool isOfficeBlank(char32_t c)
{
    return isControlCodePoint(c) || c == 0xFFFE || c == 0xFFFF;
}

QString officeText(const QString &text);

// The same for a text in UTF-8, as a view of text itself when it has no
// such character, else of scratch; a stray byte becomes a replacement mark.
std::string_view officeUtf8Text(std::string_view text, std::string &scratch);

} // namespace tesmo::office
