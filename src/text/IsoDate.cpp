#include "text/IsoDate.h"

#include "text/Limits.h"

namespace tesmo {

std::optional<QDate> readIsoDate(std::string_view text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 5, 8};
    const std::size_t widths[3] = {4, 2, 2};
    for (int p = 0; p < 3; ++p) {
        for (std::size_t i = starts[p]; i < starts[p] + widths[p]; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return std::nullopt;
            parts[p] = parts[p] * 10 + (text[i] - '0');
        }
    }
    if (parts[0] < kFirstYear || parts[0] > kLastYear)
        return std::nullopt;
    const QDate date(parts[0], parts[1], parts[2]);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

QString isoDateText(QDate date)
{
    char text[10];
    return QString::fromLatin1(text, writeIsoDate(text, date) - text);
}

char *writeIsoDate(char *out, QDate date)
{
    const auto digits = [&out](int value, int width) {
        for (int i = width - 1; i >= 0; --i, value /= 10)
            out[i] = char('0' + value % 10);
        out += width;
    };
    digits(date.year(), 4);
    *out++ = '-';
    digits(date.month(), 2);
    *out++ = '-';
    digits(date.day(), 2);
    return out;
}

} // namespace tesmo
