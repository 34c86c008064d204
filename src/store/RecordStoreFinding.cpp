// Find First and Find Next over the record set: by ID, by ticker (the case
// fold of the ledger's tickers) and the lots without a net amount.
#include "store/RecordStore.h"

#include "text/FieldRules.h"

#include <algorithm>

namespace tesmo {

namespace {

bool isAscii(const QString &text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

// The first lot at or after position start that meets the criteria.
std::optional<int> RecordStore::findFrom(const FindCriteria &criteria, int start)
{
    if (start >= RecordCount())
        return std::nullopt;
    if (criteria.kind == FindCriteria::Kind::ById) {
        const int pos = positionOf(criteria.id);
        return pos >= start ? std::optional<int>(pos) : std::nullopt;
    }
    if (criteria.kind == FindCriteria::Kind::ByTicker)
        return findTicker(criteria.ticker, start);
    requireOpen();
    Statement s(db_->handle(), "SELECT ID FROM Lots WHERE NetAmount IS NULL AND ID >= ?1 ORDER BY ID");
    s.bind(1, std::int64_t(rows_.id(std::size_t(start))));
    while (s.step()) {
        // Lots that another program added after the keyset was taken are not
        // part of this record set.
        const int pos = positionOf(LotId(s.int64(0)));
        if (pos >= 0)
            return pos;
    }
    return std::nullopt;
}

// Tickers of printable ASCII are found through the NOCASE index, which folds
// exactly the letters A to Z; the few others are compared one by one with the
// full case fold. Both halves give the same answer as sameTicker.
std::optional<int> RecordStore::findTicker(const QString &ticker, int start)
{
    requireOpen();
    const QString folded = foldTicker(ticker);
    const std::int64_t from = rows_.id(std::size_t(start));
    std::optional<int> best;
    if (isAscii(folded)) {
        Statement s(db_->handle(), "SELECT ID FROM Lots WHERE Ticker = ?1 COLLATE NOCASE AND ID >= ?2 ORDER BY ID");
        s.bind(1, folded).bind(2, from);
        while (!best && s.step()) {
            if (const int pos = positionOf(LotId(s.int64(0))); pos >= 0)
                best = pos;
        }
    }
    Statement wide(db_->handle(),
                   "SELECT ID, Ticker FROM Lots WHERE Ticker GLOB '*[^ -~]*' AND ID >= ?1 ORDER BY ID");
    wide.bind(1, from);
    while (wide.step()) {
        const auto id = LotId(wide.int64(0));
        if (best && id > rows_.id(std::size_t(*best)))
            break;
        const int pos = positionOf(id);
        if (pos >= 0 && foldTicker(wide.text(1)) == folded) {
            best = pos;
            break;
        }
    }
    return best;
}

void RecordStore::FindFirst(const FindCriteria &criteria)
{
    find(criteria, false);
}

void RecordStore::FindNext(const FindCriteria &criteria)
{
    find(criteria, true);
}

// Leaves the record, then makes the first lot from the start (or after the
// current one) that meets the criteria current. Without a match the cursor
// stays where it was and NoMatch is set.
void RecordStore::find(const FindCriteria &criteria, bool afterCurrent)
{
    leaveRecord(kActFind);
    const int start = afterCurrent ? place_.next() : 0;
    const auto found = findFrom(criteria, start);
    noMatch_ = !found;
    if (found) {
        makeCurrent(*found);
    } else {
        editMode_ = kEditNone;
        showCurrent();
    }
}

} // namespace tesmo
