#include "store/RecordStore.h"

#include "store/LotReader.h"

#include <sqlite3.h>
#include <utility>

namespace tesmo {

namespace {

const char *const kReadLot =
    "SELECT ID, Name1, Ticker, NumShares, Price, NetAmount, TradeDate FROM Lots WHERE ID = ?1";

} // namespace

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
        if (!db->readOnly())
            bringSalesUpToDate(*db);
        LotTable rows;
        readAllLots(*db, rows);
        db_ = std::move(db);
        rows_.assign(rows);
        openError_.reset();
    } catch (const tesmo::Error &e) {
        rows_.clear();
        place_ = {};
        openError_ = e;
        if (events_.Error)
            events_.Error(e);
        return;
    }
    if (db_->readOnly() && events_.Error)
        events_.Error(tesmo::Error(kErrReadOnly));
    place_ = {};
    if (rows_.size() == 0)
        showCurrent();
    else
        makeCurrent(0);
}

void RecordStore::Close(int action)
{
    if (!db_)
        return;
    leaveRecord(action);
    editMode_ = kEditNone;
    readStmt_.reset();
    insertStmt_.reset();
    deleteStmt_.reset();
    db_.reset();
}

void RecordStore::requireOpen() const
{
    if (!db_)
        throw openError_ ? *openError_ : tesmo::Error(kErrNotALedger);
}

Statement &RecordStore::cached(std::unique_ptr<Statement> &slot, const char *sql)
{
    requireOpen();
    if (!slot)
        slot = std::make_unique<Statement>(db_->handle(), sql);
    slot->reset();
    return *slot;
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
    const auto row = rows_.rowOf(id);
    return row ? int(*row) : -1;
}

bool RecordStore::validate(int action, bool save)
{
    if (events_.Validate)
        events_.Validate(action, save);
    if (action == kActCancel)
        throw tesmo::Error(kErrCancelled);
    return save;
}

// Raises Validate before the current or pending record is left, then writes
// the pending changes when Save comes back true.
bool RecordStore::leaveRecord(int action)
{
    if (editMode_ != kEditAdd && !place_.onLot)
        return false;
    const bool save = validate(action, anyChanged());
    if (save)
        writePending();
    return save;
}

void RecordStore::writePending()
{
    requireOpen();
    Database::Transaction transaction(*db_);   // its commit brings the figures for taxes up to date
    if (editMode_ == kEditAdd) {
        const LotId id = insertLot([this](int pos) { return binding_.text(pos); });
        writeSplit(id);
        transaction.commit();
        editMode_ = kEditNone;
        lastModified_ = id;
        stored(readLot(id), true);
        return;
    }
    if (!place_.onLot)
        throw tesmo::Error(kErrNoCurrentLot);
    writeSplit(current_.id());
    const bool written = updateCurrent();
    transaction.commit();
    if (written) {
        current_ = readLot(current_.id());
        stored(current_, false);
    }
    editMode_ = kEditNone;
    lastModified_ = current_.id();
}

// Inserts a lot of the given texts, each converted as its field's rules
// convert it (text(pos) for fields 1 to 6); returns its new ID. Raises Error
// when a text does not convert or the file refuses the lot.
LotId RecordStore::insertLot(const std::function<QString(int pos)> &text)
{
    std::array<FieldValue, kFieldCount> values;
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        values[std::size_t(pos)] = fieldValue(pos, text(pos));
    Statement &s = cached(insertStmt_,
                          "INSERT INTO Lots (Name1, Ticker, NumShares, Price, NetAmount, TradeDate) "
                          "VALUES (?1, ?2, ?3, ?4, ?5, ?6) RETURNING ID");
    try {
        for (int pos = kName1; pos <= kTradeDate; ++pos)
            bindFieldValue(s, pos, values[std::size_t(pos)]);
        s.step();
        const auto id = LotId(s.int64(0));
        while (s.step()) {
        }
        s.reset();
        return id;
    } catch (...) {
        s.reset();
        throw;
    }
}

// Writes the changed boxes of the current lot, provided the file still holds
// the lot exactly as it was read: another program's change is never undone.
// False when no box changed.
bool RecordStore::updateCurrent()
{
    std::vector<std::pair<int, FieldValue>> changes;
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        if (binding_.changed(pos))
            changes.emplace_back(pos, fieldValue(pos, binding_.text(pos)));
    if (changes.empty())
        return false;

    QByteArray sql("UPDATE Lots SET ");
    for (std::size_t i = 0; i < changes.size(); ++i)
        sql += (i ? ", " : "") + QByteArray(columnName(changes[i].first)) + " = ?" + QByteArray::number(int(i) + 1);
    const int idParam = int(changes.size()) + 1;
    sql += " WHERE ID = ?" + QByteArray::number(idParam);
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        sql += QByteArray(" AND ") + columnName(pos) + " IS ?" + QByteArray::number(idParam + pos);

    Statement s(db_->handle(), sql.constData());
    for (std::size_t i = 0; i < changes.size(); ++i)
        bindFieldValue(s, int(i) + 1, changes[i].second);
    s.bind(idParam, std::int64_t(current_.id()));
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        s.bind(idParam + pos, current_.stored(pos));
    s.step();
    if (sqlite3_changes(db_->handle()) == 0) {
        Statement exists(db_->handle(), "SELECT 1 FROM Lots WHERE ID = ?1");
        exists.bind(1, std::int64_t(current_.id()));
        throw tesmo::Error(exists.step() ? kErrLotChanged : kErrLotGone);
    }
    return true;
}

// The row shows the lot's amounts as the boxes show them. A new lot's row
// goes among the others by its ID (at the end: the file gives larger IDs
// than any before; a lot whose sale was undone where it stood), and the
// current lot, or the gap, keeps its place.
void RecordStore::stored(const StoredLot &lot, bool isNew)
{
    if (isNew)
        added(lot.row());
    else if (const int at = positionOf(lot.id()); at >= 0)
        rows_.replace(std::size_t(at), lot.row());
}

void RecordStore::added(const LotRow &row)
{
    const int at = int(rows_.insert(row));
    if (place_.onLot ? at <= place_.position : at < place_.position)
        ++place_.position;
}

StoredLot RecordStore::readLot(LotId id)
{
    Statement &s = cached(readStmt_, kReadLot);
    s.bind(1, std::int64_t(id));
    if (!s.step()) {
        s.reset();
        throw tesmo::Error(kErrLotGone, QStringLiteral("The lot is no longer in the ledger file."));
    }
    StoredLot lot = readStoredLot(s);
    s.reset();   // ends the read, so other programs can write meanwhile
    return lot;
}

void RecordStore::AddNew()
{
    try {
        leaveRecord(kActAddNew);
    } catch (const tesmo::Error &e) {
        // A refusal by Validate abandons the new record quietly: the handler
        // has told the user, and the caller checks for it.
        if (e.number() == kErrCancelled)
            return;
        throw;
    }
    editMode_ = kEditAdd;
    splitPending_ = 1;
    binding_.show(FieldTexts{});
}

void RecordStore::Leave(int action)
{
    const bool adding = editMode_ == kEditAdd;
    if (!leaveRecord(action))
        return;
    if (adding) {
        makeCurrent(positionOf(*lastModified_));
    } else {
        editMode_ = kEditNone;
        showCurrent();
    }
}

void RecordStore::readyToWrite()
{
    requireOpen();
    if (readOnly())
        throw tesmo::Error(kErrReadOnly);
    Leave(kActAddNew);
}

void RecordStore::Edit()
{
    if (editMode_ != kEditNone)
        return;
    if (!place_.onLot)
        throw tesmo::Error(kErrNoCurrentLot);
    editMode_ = kEditInProgress;
}

void RecordStore::Update()
{
    if (editMode_ == kEditNone)
        throw tesmo::Error(kErrNothingPending);
    requireOpen();
    const bool adding = editMode_ == kEditAdd;
    if (validate(kActUpdate, adding || anyChanged())) {
        writePending();
    } else {
        editMode_ = kEditNone;
        if (!adding)
            lastModified_ = current_.id();
    }
    showCurrent();
}

// Drops the pending record or changes; the boxes show the current lot as the
// file holds it now, so that a lot another program changed shows its new
// values. When another program deleted it, it leaves the record set and the
// lot before it becomes current, as after a delete; while a new lot was
// pending, the lot before it stays shown as last read until a move meets it.
// When the file cannot be read, the values last read are shown and the
// error is raised.
void RecordStore::CancelUpdate()
{
    const bool adding = editMode_ == kEditAdd;
    editMode_ = kEditNone;
    if (place_.onLot) {
        try {
            current_ = readLot(current_.id());
            followed(current_);
        } catch (const tesmo::Error &e) {
            if (e.number() != kErrLotGone) {
                showCurrent();
                throw;
            }
            if (!adding) {
                const int position = place_.position;
                place_ = Place::gapBefore(position);
                dropVanished(position);
                makeCurrent(position - 1, -1);
                return;
            }
        }
    }
    showCurrent();
}

// Removes the current lot from the file and the keyset, provided the file
// still holds it exactly as it was read: a lot that another program changed,
// or that a restore put back under its ID as it was earlier, is never
// removed in its place. On a failure with changes pending, the lot, the
// changes and the boxes stay as they were; with none, a lot another program
// changed or removed is shown as the file now holds it, as Undo would.
void RecordStore::Delete()
{
    if (!place_.onLot)
        throw tesmo::Error(kErrNoCurrentLot);
    requireOpen();
    const bool pending = anyChanged();
    validate(kActDelete, pending);
    Database::Transaction transaction(*db_);
    Statement &s = cached(deleteStmt_, "DELETE FROM Lots WHERE ID = ?1 AND Name1 IS ?2 AND Ticker IS ?3 AND "
                                       "NumShares IS ?4 AND Price IS ?5 AND NetAmount IS ?6 AND TradeDate IS ?7");
    s.bind(1, std::int64_t(current_.id()));
    for (int pos = kName1; pos <= kTradeDate; ++pos)
        s.bind(pos + 1, current_.stored(pos));
    try {
        s.step();
    } catch (...) {
        s.reset();
        throw;
    }
    s.reset();
    if (sqlite3_changes(db_->handle()) == 0) {
        Statement exists(db_->handle(), "SELECT 1 FROM Lots WHERE ID = ?1");
        exists.bind(1, std::int64_t(current_.id()));
        const bool changed = exists.step();
        if (pending) {
            throw changed ? tesmo::Error(kErrLotChanged, QStringLiteral("Another program has changed this lot since "
                                                                        "Tesmo read it, so it was not deleted. Press "
                                                                        "Undo to see the lot as it is stored now."))
                          : tesmo::Error(kErrLotGone, QStringLiteral("Another program has removed this lot from the "
                                                                     "ledger file since Tesmo read it, so nothing was "
                                                                     "deleted. Press Undo to see the ledger as it is "
                                                                     "stored now."));
        }
        // Nothing of the user's is pending: the lot is shown as the file
        // holds it now, or leaves the record set when it went (which the
        // report of lots another program deleted then tells).
        CancelUpdate();
        throw changed ? tesmo::Error(kErrLotChanged, QStringLiteral("Another program has changed this lot since Tesmo "
                                                                    "read it, so it was not deleted; it is now shown as "
                                                                    "it is stored."))
                      : tesmo::Error(kErrLotGone, QStringLiteral("Another program has removed this lot from the "
                                                                 "ledger file since Tesmo read it, so nothing was "
                                                                 "deleted."));
    }
    transaction.commit();
    rows_.erase(std::size_t(place_.position));
    place_ = Place::gapBefore(place_.position);
    editMode_ = kEditNone;
}

} // namespace tesmo
