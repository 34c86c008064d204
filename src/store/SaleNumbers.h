// Which sale each part of an earlier ledger's sales belongs to. Sales were
// once kept as unrelated parts; a ledger of that time holds no record of the
// command that made them, so the parts are gathered from what the rows do
// hold: a sale's parts are written one after another, all on one day, of one
// ticker, each from a different lot, and share one price a share (the
// proceeds were shared among them by shares, rounded to the cent).
#pragma once

#include "text/Fields.h"

#include <QDate>
#include <QString>
#include <vector>

namespace tesmo {

// A part as an earlier ledger holds it.
struct EarlierSalePart {
    qint64 id = 0;
    LotId lot = 0;
    QString ticker;
    QDate sold;
    double shares = 0;
    double proceeds = 0;   // in dollars
};

// The sale number of each part of parts (given in ID order): the ID of the
// first part of its sale. A part belongs to the sale of the part before it
// when it was sold on the same day, of the same ticker, from a lot that sale
// has not taken from yet, and its proceeds are what that sale's price a share
// gives its shares, give or take a cent for each part's rounding.
std::vector<qint64> earlierSaleNumbers(const std::vector<EarlierSalePart> &parts);

} // namespace tesmo
