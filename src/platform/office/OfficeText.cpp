#include "platform/office/OfficeText.h"

#include "text/Utf8.h"

#include <algorithm>
#include <cstdint>

namespace tesmo::office {

QString officeText(const QString &text)
{
    const auto odd = [](QChar c) { return isOfficeBlank(c.unicode()); };
    if (std::none_of(text.begin(), text.end(), odd))
        return text;
    QString blanked = text;
    for (QChar &c : blanked) {
        if (odd(c))
            c = u' ';
    }
    return blanked;
}

std::string_view officeUtf8Text(std::string_view text, std::string &blanked)
{
    // Most texts are printable ASCII, or hold no byte that a character to
    // blank or a stray byte could start with.
    const bool plain = std::none_of(text.begin(), text.end(), [](char b) {
        const auto u = std::uint8_t(b);
        return u < 0x20 || u == 0x7F || u >= 0x80;
    });
    if (plain)
        return text;
    blanked.clear();
    const char *p = text.data();
    const char *end = p + text.size();
    while (p < end) {
        const char *start = p;
        char32_t c = 0;
        if (!decodeUtf8(p, end, c)) {
            blanked += "\xEF\xBF\xBD";   // as QString reads a stray byte
            ++p;
        } else if (isOfficeBlank(c)) {
            blanked += ' ';
        } else {
            blanked.append(start, std::size_t(p - start));
        }
    }
    return blanked;
}

} // namespace tesmo::office
