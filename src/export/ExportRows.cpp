#include "export/ExportRows.h"

#include "text/Error.h"
#include "text/Utf8.h"

#include <QDate>

namespace tesmo {

const QStringList &exportHeadings()
{
    static const QStringList headings = {
        QStringLiteral("Name/Description"), QStringLiteral("Ticker"),
        QStringLiteral("Number of Shares"), QStringLiteral("Price/Share"),
        QStringLiteral("Net Amount (Tesmo)"), QStringLiteral("Trade Date"),
    };
    return headings;
}

std::string_view wellFormed(std::string_view text, std::string &scratch)
{
    if (isWellFormedUtf8(text))
        return text;
    scratch = QString::fromUtf8(text.data(), qsizetype(text.size())).toStdString();
    return scratch;
}

void ExportTexts::read(const LotRow &lot)
{
    const auto span = [](const char *start, const char *end) { return std::string_view(start, std::size_t(end - start)); };
    texts_[kExName] = lot.name;
    texts_[kExTicker] = lot.ticker;
    texts_[kExShares] = lot.isText(kNumShares) ? wellFormed(lot.text[kNumShares], scratch_[kExShares])
                                               : span(shares_, regional::writeNumberText(shares_, lot.numShares));
    const auto money = [&](ExportField field, int pos, const std::optional<Ticks> &ticks, char *room, int decimals) {
        if (!lot.isText(pos)) {
            texts_[field] = ticks ? span(room, regional::writeRegionalCurrencyText(room, *ticks, decimals)) : "";
            return;
        }
        // The text of an amount that an older tool stored otherwise.
        const std::string_view text = lot.text[std::size_t(pos)];
        const QString shown = QString::fromUtf8(text.data(), qsizetype(text.size()));
        const auto amount = regional::readAmount(shown);
        if (!shown.isEmpty() && !amount)
            throw Error(kErrTypeMismatch);
        scratch_[field] = shown.isEmpty() ? std::string() : regional::regionalCurrencyText(*amount, decimals).toStdString();
        texts_[field] = scratch_[field];
    };
    money(kExPrice, kPrice, lot.price, price_, 4);
    money(kExNet, kNetAmount, lot.netAmount, net_, regional::kCurrencyDecimals);
    texts_[kExDate] = lot.isText(kTradeDate) ? wellFormed(lot.text[kTradeDate], scratch_[kExDate])
                                             : span(date_, regional::writeShortDate(date_, QDate::fromJulianDay(lot.tradeDay)));
}

} // namespace tesmo
