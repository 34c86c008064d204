// Master lists of random lots for the export writers: the same rows offered
// as values and, through a proxy that hides them, as texts only.
#pragma once

#include "mainwin/LotListModel.h"

#include <QRandomGenerator>
#include <memory>
#include <string>

namespace tesmo::test {

// A master list of random lots of every kind the packed rows hold: names
// with wide characters, control characters and broken UTF-8, no name,
// fractions and huge or tiny numbers of shares, missing amounts, dates from
// the first year to the last; and a row written from the edit boxes.
inline std::unique_ptr<MasterListModel> randomMasterList(QRandomGenerator &random, int count)
{
    const std::string names[] = {"Acme", "Zo\xc3\xab \xe6\xa0\xaa \xf0\x9d\x84\x9e", "Two\r\nlines",
                                 "C1\xc2\x85here", "bad \xff\xfe utf", "Cut \xe6\xa0", "",
                                 "A very long company name of exactly fifty chars!!", "tab\tin"};
    const std::string tickers[] = {"T", "ABCDEFGHIJ", "\xc3\x89T\xc3\x89", "O'NEIL", "x\x7f"};
    const double shares[] = {0, -0.0, 1, -2.5, 33.3333333333333, 999999999999999, -999999999999999, 1e-20, 0.1,
                             123456789.125, 1e300};
    LotTable table;
    for (int i = 0; i < count; ++i) {
        LotRow r;
        r.id = i + 1;
        r.name = names[random.bounded(int(std::size(names)))];
        r.nameIsNull = r.name.empty();
        r.ticker = tickers[random.bounded(int(std::size(tickers)))];
        r.numShares = shares[random.bounded(int(std::size(shares)))];
        if (random.bounded(4) != 0)
            r.price = Ticks(random.bounded(1'000'000'000)) * (random.bounded(3) + 1);
        if (random.bounded(4) != 0)
            r.netAmount = Ticks(random.bounded(qint64(4'500'000'000'000'000))) / (random.bounded(1000) + 1);
        r.tradeDay = std::int32_t(QDate(1, 1, 1).toJulianDay() + random.bounded(3652058));
        table.append(r);
    }
    auto list = std::make_unique<MasterListModel>();
    list->fill(std::move(table));
    list->setRowTexts(1, rowFromFields({"2", "Typed", "TYP", "5", "$1.0000", "$2.00", "1/2/2003"}));
    return list;
}

} // namespace tesmo::test
