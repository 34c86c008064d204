#include "store/RecordStore.h"

#include "platform/Regional.h"
#include "store/FieldRules.h"
#include "store/StoreError.h"

#include <algorithm>
#include <sqlite3.h>

namespace tesmo {

RecordStore::RecordStore(QString databaseName, FieldBinding &binding)
    : databaseName_(std::move(databaseName))
    , binding_(binding)
{
}

RecordStore::~RecordStore() = default;

void RecordStore::Open()
{
    try {
        auto db = std::make_unique<Database>(databaseName_);
        std::vector<LotId> keys;
        {
            Statement count(db->handle(), "SELECT count(*) FROM Lots");
            count.step();
            keys.reserve(std::size_t(count.int64(0)));
            Statement s(db->handle(), "SELECT ID FROM qryStocks");
            while (s.step())
                keys.push_back(LotId(s.int64(0)));
        }
        if (!std::is_sorted(keys.begin(), keys.end()))
            std::sort(keys.begin(), keys.end());
        db_ = std::move(db);
        keys_ = std::move(keys);
        openError_.reset();
    } catch (const StoreError &e) {
        openError_ = e;
        int response = 1;
        if (events_.Error)
            events_.Error(e.number(), e.description(), response);
        return;
    }
    if (keys_.empty()) {
        cursor_ = Cursor::AfterLast;
        showCurrent();
    } else {
        makeCurrent(0);
    }
}

void RecordStore::Close(int action)
{
    if (!db_)
        return;
    if (hasRecordToLeave())
        leaveRecord(action);
    editMode_ = kEditNone;
    readStmt_.reset();
    updateStmt_.reset();
    insertStmt_.reset();
    deleteStmt_.reset();
    db_.reset();
}

void RecordStore::requireOpen() const
{
    if (!db_)
        throw openError_ ? *openError_ : StoreError(kErrNotALedger);
}

Statement &RecordStore::cached(std::unique_ptr<Statement> &slot, const char *sql)
{
    requireOpen();
    if (!slot)
        slot = std::make_unique<Statement>(db_->handle(), sql);
    slot->reset();
    return *slot;
}

bool RecordStore::hasRecordToLeave() const
{
    return editMode_ == kEditAdd || cursor_ == Cursor::OnRecord;
}

bool RecordStore::anyChanged() const
{
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        if (binding_.changed(pos))
            return true;
    return false;
}

int RecordStore::positionOf(LotId id) const
{
    const auto it = std::lower_bound(keys_.begin(), keys_.end(), id);
    return it != keys_.end() && *it == id ? int(it - keys_.begin()) : -1;
}

void RecordStore::leaveRecord(int action)
{
    int act = action;
    bool save = anyChanged();
    if (events_.Validate)
        events_.Validate(act, save);
    if (act == kActCancel)
        throw StoreError(kErrCancelled);
    if (save)
        writePending();
}

namespace {

QString nullIfEmpty(const QString &text)
{
    return text.isEmpty() ? QString() : text;
}

[[noreturn]] void typeMismatch()
{
    throw StoreError(kErrTypeMismatch);
}

} // namespace

Lot RecordStore::lotFromBinding() const
{
    Lot lot = editMode_ == kEditNone ? current_ : pending_;
    for (int pos = kName1; pos <= kTradeDate; ++pos) {
        if (!binding_.changed(pos))
            continue;
        const QString text = binding_.text(pos);
        switch (pos) {
        case kName1:
            lot.name1 = nullIfEmpty(text);
            break;
        case kTicker:
            lot.ticker = nullIfEmpty(text);
            break;
        case kNumShares:
            lot.numShares.reset();
            if (!text.isEmpty() && !(lot.numShares = numberFromText(text)))
                typeMismatch();
            break;
        case kPrice:
        case kNetAmount: {
            std::optional<Ticks> &field = pos == kPrice ? lot.price : lot.netAmount;
            field.reset();
            if (!text.isEmpty() && !(field = moneyFromText(text)))
                typeMismatch();
            break;
        }
        case kTradeDate:
            lot.tradeDate.reset();
            if (!text.isEmpty() && !(lot.tradeDate = regional::readDate(text)))
                typeMismatch();
            break;
        }
    }
    return lot;
}

namespace {

void bindLot(Statement &s, const Lot &lot)
{
    s.bind(1, lot.name1);
    s.bind(2, lot.ticker);
    s.bind(3, *lot.numShares);
    if (lot.price)
        s.bind(4, ticksToDouble(*lot.price));
    else
        s.bindNull(4);
    if (lot.netAmount)
        s.bind(5, ticksToDouble(*lot.netAmount));
    else
        s.bindNull(5);
    s.bind(6, lot.tradeDate->toString(Qt::ISODate));
}

} // namespace

// Stores the pending record, or the changed boxes of the current one, as one
// transaction. Nothing is written when a box does not convert (13), a required
// field is missing (3102) or money is negative (3103).
void RecordStore::writePending()
{
    requireOpen();
    Lot lot = lotFromBinding();
    if (lot.ticker.isEmpty() || !lot.numShares || !lot.tradeDate)
        throw StoreError(kErrRequiredField);
    if ((lot.price && *lot.price < 0) || (lot.netAmount && *lot.netAmount < 0))
        throw StoreError(kErrNegativeMoney);

    if (editMode_ == kEditAdd) {
        Statement &s = cached(insertStmt_,
                              "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                              "VALUES (?1, ?2, ?3, ?4, ?5, ?6) RETURNING ID");
        bindLot(s, lot);
        s.step();
        const auto id = LotId(s.int64(0));
        while (s.step()) {
        }
        if (keys_.empty() || keys_.back() < id)
            keys_.push_back(id);
        else
            keys_.insert(std::lower_bound(keys_.begin(), keys_.end(), id), id);
        if (cursor_ == Cursor::OnRecord && keys_[position_] != current_.id)
            position_ = positionOf(current_.id);
        lastModified_ = id;
    } else {
        if (cursor_ != Cursor::OnRecord)
            throw StoreError(kErrNoCurrentLot);
        lot.id = current_.id;
        if (lot != current_) {
            Statement &s = cached(updateStmt_,
                                  "UPDATE Lots SET Name1 = ?1, Ticker = ?2, NumShares = ?3, Price = ?4, "
                                  "NetAmount = ?5, TradeDate = ?6 WHERE ID = ?7");
            bindLot(s, lot);
            s.bind(7, std::int64_t(lot.id));
            s.step();
            if (sqlite3_changes(db_->handle()) == 0)
                throw StoreError(kErrLotGone);
            current_ = readLot(lot.id);
        }
        lastModified_ = lot.id;
    }
    editMode_ = kEditNone;
    pending_ = Lot{};
}

Lot RecordStore::readLot(LotId id) const
{
    auto &self = const_cast<RecordStore &>(*this);
    Statement &s = self.cached(self.readStmt_,
                               "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate "
                               "FROM Lots WHERE ID = ?1");
    s.bind(1, std::int64_t(id));
    if (!s.step()) {
        s.reset();
        throw StoreError(kErrLotGone);
    }
    Lot lot;
    lot.id = LotId(s.int64(0));
    lot.name1 = s.isNull(1) ? QString() : s.text(1);
    lot.ticker = s.text(2);
    if (!s.isNull(3))
        lot.numShares = s.real(3);
    if (!s.isNull(4))
        lot.price = ticksFromDouble(s.real(4));
    if (!s.isNull(5))
        lot.netAmount = ticksFromDouble(s.real(5));
    if (!s.isNull(6)) {
        const QDate d = QDate::fromString(s.text(6), Qt::ISODate);
        if (d.isValid())
            lot.tradeDate = d;
    }
    s.reset();   // ends the read, so other programs can write meanwhile
    return lot;
}

void RecordStore::showCurrent()
{
    if (cursor_ == Cursor::OnRecord)
        binding_.show(plainTexts(current_));
    else
        binding_.show(FieldTexts{});
}

void RecordStore::makeCurrent(int position)
{
    current_ = readLot(keys_[std::size_t(position)]);
    position_ = position;
    cursor_ = Cursor::OnRecord;
    editMode_ = kEditNone;
    pending_ = Lot{};
    showCurrent();
    if (events_.Reposition)
        events_.Reposition();
}

// Leaves the record (Validate, then the pending write) and moves. A position
// outside the keyset leaves the cursor before the first or after the last lot.
void RecordStore::moveTo(int position, int action)
{
    if (hasRecordToLeave())
        leaveRecord(action);
    if (position < 0 || position >= RecordCount()) {
        cursor_ = position < 0 ? Cursor::BeforeFirst : Cursor::AfterLast;
        editMode_ = kEditNone;
        pending_ = Lot{};
        showCurrent();
        return;
    }
    makeCurrent(position);
}

void RecordStore::MoveFirst()
{
    moveTo(0, kActMoveFirst);
}

void RecordStore::MoveLast()
{
    moveTo(RecordCount() - 1, kActMoveLast);
}

void RecordStore::MoveNext()
{
    switch (cursor_) {
    case Cursor::OnRecord: moveTo(position_ + 1, kActMoveNext); break;
    case Cursor::BeforeFirst: moveTo(0, kActMoveNext); break;
    case Cursor::Deleted: moveTo(position_, kActMoveNext); break;
    case Cursor::AfterLast: moveTo(RecordCount(), kActMoveNext); break;
    }
}

void RecordStore::MovePrevious()
{
    switch (cursor_) {
    case Cursor::OnRecord:
    case Cursor::Deleted: moveTo(position_ - 1, kActMovePrevious); break;
    case Cursor::BeforeFirst: moveTo(-1, kActMovePrevious); break;
    case Cursor::AfterLast: moveTo(RecordCount() - 1, kActMovePrevious); break;
    }
}

std::optional<int> RecordStore::findFrom(const FindCriteria &criteria, int start) const
{
    if (start < 0)
        start = 0;
    if (start >= RecordCount())
        return std::nullopt;
    if (criteria.kind == FindCriteria::Kind::ById) {
        const int pos = positionOf(criteria.id);
        return pos >= start ? std::optional<int>(pos) : std::nullopt;
    }
    requireOpen();
    const bool byTicker = criteria.kind == FindCriteria::Kind::ByTicker;
    Statement s(db_->handle(), byTicker
                                   ? "SELECT ID FROM Lots WHERE Ticker = ?1 COLLATE NOCASE AND ID >= ?2 ORDER BY ID"
                                   : "SELECT ID FROM Lots WHERE NetAmount IS NULL AND ID >= ?2 ORDER BY ID");
    if (byTicker)
        s.bind(1, criteria.ticker.isNull() ? QStringLiteral("") : criteria.ticker);
    s.bind(2, std::int64_t(keys_[std::size_t(start)]));
    while (s.step()) {
        // Lots that another program added after the keyset was taken are not
        // part of this record set.
        const int pos = positionOf(LotId(s.int64(0)));
        if (pos >= 0)
            return pos;
    }
    return std::nullopt;
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
    if (hasRecordToLeave())
        leaveRecord(kActFind);
    int start = 0;
    if (afterCurrent) {
        switch (cursor_) {
        case Cursor::OnRecord: start = position_ + 1; break;
        case Cursor::Deleted: start = position_; break;
        case Cursor::BeforeFirst: start = 0; break;
        case Cursor::AfterLast: start = RecordCount(); break;
        }
    }
    const auto found = findFrom(criteria, start);
    noMatch_ = !found;
    if (found) {
        makeCurrent(*found);
    } else {
        editMode_ = kEditNone;
        pending_ = Lot{};
        showCurrent();
    }
}

Bookmark RecordStore::getBookmark() const
{
    if (cursor_ != Cursor::OnRecord)
        return std::nullopt;
    return keys_[std::size_t(position_)];
}

void RecordStore::setBookmark(Bookmark bookmark)
{
    if (!bookmark)
        throw StoreError(kErrNoCurrentLot);
    const int pos = positionOf(*bookmark);
    if (pos < 0)
        throw StoreError(kErrLotGone);
    if (hasRecordToLeave())
        leaveRecord(kActBookmark);
    makeCurrent(pos);
}

void RecordStore::AddNew()
{
    if (hasRecordToLeave()) {
        try {
            leaveRecord(kActAddNew);
        } catch (const StoreError &e) {
            // A refusal by Validate abandons the new record quietly: the
            // handler has told the user, and the caller checks for it.
            if (e.number() == kErrCancelled)
                return;
            throw;
        }
    }
    editMode_ = kEditAdd;
    pending_ = Lot{};
    binding_.show(FieldTexts{});
}

void RecordStore::Edit()
{
    if (editMode_ != kEditNone)
        return;
    if (cursor_ != Cursor::OnRecord)
        throw StoreError(kErrNoCurrentLot);
    pending_ = current_;
    editMode_ = kEditInProgress;
}

void RecordStore::Update()
{
    if (editMode_ == kEditNone)
        throw StoreError(kErrNothingPending);
    requireOpen();
    int act = kActUpdate;
    bool save = true;
    if (events_.Validate)
        events_.Validate(act, save);
    if (act == kActCancel)
        throw StoreError(kErrCancelled);
    const bool adding = editMode_ == kEditAdd;
    writePending();
    if (adding)
        showCurrent();
    else
        binding_.show(plainTexts(current_));
}

void RecordStore::CancelUpdate()
{
    editMode_ = kEditNone;
    pending_ = Lot{};
    showCurrent();
}

void RecordStore::Delete()
{
    if (cursor_ != Cursor::OnRecord)
        throw StoreError(kErrNoCurrentLot);
    requireOpen();
    int act = kActDelete;
    bool save = anyChanged();
    if (events_.Validate)
        events_.Validate(act, save);
    if (act == kActCancel)
        throw StoreError(kErrCancelled);
    Statement &s = cached(deleteStmt_, "DELETE FROM Lots WHERE ID = ?1");
    s.bind(1, std::int64_t(current_.id));
    s.step();
    keys_.erase(keys_.begin() + position_);
    cursor_ = Cursor::Deleted;
    editMode_ = kEditNone;
    pending_ = Lot{};
}

QString RecordStore::Fields(int pos) const
{
    const Lot &lot = editMode_ == kEditNone ? current_ : pending_;
    return plainTexts(lot)[std::size_t(pos)];
}

void RecordStore::setFieldNull(int pos)
{
    if (editMode_ == kEditNone)
        throw StoreError(kErrNothingPending);
    switch (pos) {
    case kName1: pending_.name1 = QString(); break;
    case kTicker: pending_.ticker = QString(); break;
    case kNumShares: pending_.numShares.reset(); break;
    case kPrice: pending_.price.reset(); break;
    case kNetAmount: pending_.netAmount.reset(); break;
    case kTradeDate: pending_.tradeDate.reset(); break;
    default: throw StoreError(kErrTypeMismatch);
    }
}

} // namespace tesmo
