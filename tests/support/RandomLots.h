// Random lots of every kind the lists hold, for the export writers: names
// with wide characters, control characters and broken UTF-8, no name,
// fractions and huge or tiny numbers of shares, missing amounts, dates from
// the first year to the last, lots written from the edit boxes (amounts as
// the boxes show them), and values an older tool stored as texts.
#pragma once

#include "text/LotTable.h"
#include "text/Regional.h"

#include <QRandomGenerator>
#include <QStringList>
#include <string>

namespace tesmo::test {

// Appends a lot given as a list shows it: name, ticker, date, ID, shares,
// price, net amount; an amount written with "$" marks a lot written from
// the edit boxes.
inline void appendShown(LotTable &table, const QStringList &texts)
{
    const std::string name = texts[0].toStdString(), ticker = texts[1].toStdString();
    LotRow r;
    r.id = texts[3].toLongLong();
    r.name = name;
    r.ticker = ticker;
    r.tradeDay = std::int32_t(regional::readDate(texts[2])->toJulianDay());
    r.numShares = texts[4].toDouble();
    if (!texts[5].isEmpty())
        r.price = regional::readAmount(texts[5]);
    if (!texts[6].isEmpty())
        r.netAmount = regional::readAmount(texts[6]);
    r.boxAmounts = texts[5].contains(u'$') || texts[6].contains(u'$');
    table.append(r);
}

inline void randomLots(QRandomGenerator &random, int count, LotTable &table)
{
    const std::string names[] = {"Acme", "Zo\xc3\xab \xe6\xa0\xaa \xf0\x9d\x84\x9e", "Two\r\nlines",
                                 "C1\xc2\x85here", "bad \xff\xfe utf", "Cut \xe6\xa0", "",
                                 "A very long company name of exactly fifty chars!!", "tab\tin"};
    const std::string tickers[] = {"T", "ABCDEFGHIJ", "\xc3\x89T\xc3\x89", "O'NEIL", "x\x7f"};
    const double shares[] = {0, -0.0, 1, -2.5, 33.3333333333333, 999999999999999, -999999999999999, 1e-20, 0.1,
                             123456789.125, 1e300};
    // Texts an older tool stored: a number, a date and amounts of no kind.
    const std::string texts[] = {"many", "", "12.5", "0000-01-15", "1E+300"};
    for (int i = 0; i < count; ++i) {
        LotRow r;
        r.id = i + 1;
        r.name = names[random.bounded(int(std::size(names)))];
        r.nameIsNull = r.name.empty();
        r.ticker = tickers[random.bounded(int(std::size(tickers)))];
        r.numShares = shares[random.bounded(int(std::size(shares)))];
        if (random.bounded(4) != 0)
            r.price = Ticks(random.bounded(1'000'000'000)) * (random.bounded(3) + 1) * (random.bounded(9) ? 1 : -1);
        if (random.bounded(4) != 0)
            r.netAmount = Ticks(random.bounded(qint64(4'500'000'000'000'000))) / (random.bounded(1000) + 1);
        r.tradeDay = std::int32_t(QDate(1, 1, 1).toJulianDay() + random.bounded(3652058));
        r.boxAmounts = random.bounded(5) == 0;
        if (random.bounded(10) == 0) {
            const int pos = int(random.bounded(kNumShares, kTradeDate + 1));
            // Amounts held as texts read as amounts, or the export fails.
            const int text = pos == kPrice || pos == kNetAmount ? 1 + int(random.bounded(2))
                                                                : int(random.bounded(int(std::size(texts))));
            r.holdAsText(pos, texts[text]);
        }
        table.append(r);
    }
}

} // namespace tesmo::test
