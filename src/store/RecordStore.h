// The record set of the main window over qryStocks: a keyset cursor. It holds
// the lots in query order (read when it opens, and kept as they are written),
// a current lot, a pending record with the bound edit boxes as its buffer,
// bookmarks and LastModified, and raises Validate, Reposition, Error and
// Vanished as the window's handlers expect. It knows nothing of widgets: the
// boxes reach it through FieldBinding, and the master list shows its rows.
//
// Only the fields whose boxes differ from what the store showed in them are
// written, and a write is refused when another program changed or removed the
// lot since it was read. The cursor never moves past either end. A lot that
// another program deleted leaves the record set when a move meets it, and
// the move goes on to its neighbour.
#pragma once

#include "store/Actions.h"
#include "store/Database.h"
#include "store/GainsTable.h"
#include "store/Lot.h"
#include "store/LotSplits.h"
#include "store/LotsToAdd.h"
#include "store/Sales.h"
#include "store/TickerFamilies.h"
#include "text/LotTable.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tesmo {

// The bound edit boxes, one per field position.
class FieldBinding {
public:
    virtual ~FieldBinding() = default;
    virtual QString text(int pos) const = 0;
    // Fills the boxes with a record's display texts: from then on these are
    // the boxes' unchanged texts.
    virtual void show(const FieldTexts &texts) = 0;
    // True when the box's text differs from what show() put there.
    virtual bool changed(int pos) const = 0;
};

// Reasons given to Validate.
enum ValidateAction : int {
    kActCancel = 0,
    kActMoveFirst = 1,
    kActMovePrevious = 2,
    kActMoveNext = 3,
    kActMoveLast = 4,
    kActAddNew = 5,
    kActUpdate = 6,
    kActDelete = 7,
    kActFind = 8,
    kActBookmark = 9,
    kActClose = 10,
    kActUnload = 11,
};

enum EditModes : int { kEditNone = 0, kEditInProgress = 1, kEditAdd = 2 };

// What a find looks for. Built from values, never from text pasted into SQL.
struct FindCriteria {
    enum class Kind { ById, ByTicker, NetAmountIsNull };
    Kind kind;
    LotId id = 0;
    QString ticker;   // compared by the ticker case fold

    static FindCriteria byId(LotId id) { return {Kind::ById, id, {}}; }
    static FindCriteria byTicker(const QString &t) { return {Kind::ByTicker, 0, t}; }
    static FindCriteria netAmountIsNull() { return {Kind::NetAmountIsNull, 0, {}}; }
};

// A token for a lot: its ID. Empty when there is no current lot.
using Bookmark = std::optional<LotId>;

class RecordStore {
public:
    struct Events {
        // action and save in and out; setting action to 0 cancels.
        std::function<void(int &action, bool &save)> Validate;
        std::function<void()> Reposition;
        // An operation the store began by itself (opening) failed, or found
        // the ledger read-only.
        std::function<void(const tesmo::Error &error)> Error;
        // A lot of the record set was found gone from the file (another
        // program deleted it) and has left the record set.
        std::function<void(LotId id)> Vanished;
    };

    RecordStore(QString databaseName, FieldBinding &binding);
    ~RecordStore();

    void setEvents(Events events) { events_ = std::move(events); }

    // Opens the file and reads its lots; the first lot becomes current. A
    // failure is reported through the Error event and leaves the store closed
    // and empty.
    void Open();
    bool isOpen() const { return db_ != nullptr; }
    // Raises why the store is not open: the error that ended Open, else 3105.
    void requireOpen() const;
    // Offers pending changes to Validate with the given action (kActClose or
    // kActUnload) and stores them when it lets them through; raises 3426 when
    // it cancels, and any error of the write, and the store stays open. Then
    // closes.
    void Close(int action = kActClose);

    void AddNew();
    // Offers the pending changes to Validate with the given action and
    // writes them when it lets them through, as leaving the lot does, but
    // stays: the lot stays current, and a pending new lot that was written
    // becomes current. An untouched new lot stays pending. Raises 3426 when
    // Validate cancels; the changes stay pending.
    void Leave(int action);
    // The first step of a command that writes the ledger: raises Error 3108
    // when the ledger cannot be written here; else the pending changes are
    // handled as leaving the lot handles them (Leave), which raises 3426
    // when Validate cancels.
    void readyToWrite();
    // Adds lots in one transaction: all or none. Once the transaction holds
    // the ledger, before the first lot is written, the lots are shown the
    // lots it holds then when another program may have written to it since
    // they were chosen, and leave out what they will. The file's checks
    // refuse a value it cannot hold (an engine error), and each lot written
    // gets a new ID larger than any before, in order. Once every lot is
    // written, the sales that lots.sales() plans against the file as it is
    // then are recorded in the same transaction. On any failure nothing is
    // written, the record set is as it was, and the error is raised;
    // progress(done, total) returning false raises 3112 the same way until
    // the lots are committed. Afterwards each lot written that is still in
    // the file has its row, in order, and LastModified is the last of them; a lot sold from has its row as it now is, and one sold
    // whole has left the record set; the current lot, or a pending new one,
    // stays, or, when the current lot was sold whole, the gap where it
    // stood. Returns the number of lots written.
    qsizetype AddMany(LotsToAdd &lots, const std::function<bool(qint64 done, qint64 total)> &progress = {});
    // A number that changes whenever another connection, of this program or
    // another, commits a change to the ledger; the same otherwise.
    std::uint64_t ledgerVersion();
    // Records a sale, one row for each part, in one transaction with the
    // change of each part's lot: it keeps sharesLeft and netLeft, or, with
    // nothing left (wholeLot), leaves the file. The ledger's first sale makes
    // the sales' table and view in the same transaction. Pending changes
    // must have been stored or dropped before (Leave). Each lot must be in
    // the file as the record set holds it: else nothing is written and
    // Error 3104 (removed) or 3107 (changed) is raised; the file's checks
    // refuse a part that does not fit its lot (more shares than it holds, a
    // sale before its trade date, amounts outside the ledger's limits, what
    // it keeps not the rest of what it held) with an engine error. On any
    // failure the file and the record set are as they were. Afterwards each
    // lot's row shows it as it now is, and a lot
    // sold whole has left the record set as a deleted lot does: the current
    // lot stays current, or, when it left, the gap where it stood is. Returns
    // the IDs of the sale rows, in the order of the parts. progress, when
    // given, hears of the parts written (done of total) and stops the sale,
    // nothing of it written, when it returns false (Error 3426).
    std::vector<SaleId> Sell(const std::vector<SalePart> &parts,
                             const std::function<bool(qint64 done, qint64 total)> &progress = {});
    // Undoes the sale the user saw (every part of one sale number, as
    // Sales() gave them) in one transaction: each lot gets back the shares and
    // net amount it held before, exactly as the file held them, or, sold
    // whole, comes back under its own ID with all its values; the sale rows
    // go. Raises Error 3115, whose description is the reason the user reads,
    // and changes nothing, when a lot is not as the sale left it (a split,
    // an edit, another program) or a later sale took from it, or the file no
    // longer holds the sale as it was read (a restore put another one under
    // its number). Afterwards the lots' rows show them as they now are (a lot
    // that came back is added by its ID).
    void UndoSale(const std::vector<SalePart> &sale);
    // Raises the Error UndoSale would, changing nothing either way.
    void CheckUndoSale(const std::vector<SalePart> &sale);
    // Every sale of the open file (of year only, when given), as readSales
    // gives them.
    std::vector<SalePart> Sales(std::optional<int> year = {});
    // The years with sales or gains of returns of capital, the latest first.
    std::vector<int> SaleYears();
    // The figures for taxes the file keeps, of the sales of year (of every
    // year without one), as readKeptGains gives them; when a change another
    // program made has marked them, worked out and kept again first, if the
    // ledger can be written. None when they cannot be had so.
    std::optional<KeptGains> GainsKept(std::optional<int> year);
    // The same for the rows of the sale rows whose IDs are parts (those Sell
    // returned), as readKeptRowsOf gives them.
    std::optional<std::vector<GainRow>> GainRowsKept(const std::vector<SaleId> &parts);

    // Records a corporate action worked out on the lots of the record set
    // (actions/), in one transaction: the change of each lot it changes as
    // its after values say, the lots it makes, its rows (store/Actions.h),
    // a split of each lot changed in LotSplits for a split or a merger for
    // shares (so the figures for taxes count the shares through it), and
    // then its sale. Each lot changed must be in the file as its before
    // values and the record set hold it: else nothing is written and Error
    // 3104 (removed) or 3107 (changed) is raised; the file's checks refuse
    // what does not fit with an engine error. progress, when given, hears of
    // the lots written and stops the action, nothing of it written, when it
    // returns false (Error 3112). Pending changes must have been stored or
    // dropped before (Leave). Afterwards the record set shows each lot as it
    // now is: the lots made are added, those sold whole have left. Returns
    // the action as recorded: its ID, the IDs of the lots made (in the lots
    // and the sale's parts), its sale number and afterSale.
    CorporateAction RecordAction(const CorporateAction &action,
                                 const std::function<bool(qint64 done, qint64 total)> &progress = {});
    // Undoes the action the user saw (as Actions gave it) in one
    // transaction: its sale is undone, each lot it changed gets back every
    // value it held, exactly as the file held them, the lots it made leave,
    // and its rows and splits go. Raises Error 3117, whose description is
    // the reason the user reads, and changes nothing, when a lot is not as
    // the action left it (an edit, a split, another program), a later sale
    // took from it or a later action reached it (naming which), or the file
    // no longer holds the action as it was read. progress as RecordAction's.
    // Afterwards the record set shows the lots as they now are.
    void UndoAction(const CorporateAction &action,
                    const std::function<bool(qint64 done, qint64 total)> &progress = {});
    // Raises the Error UndoAction would, changing nothing either way.
    void CheckUndoAction(const CorporateAction &action);
    // The actions of ticker, as readActionsOf gives them.
    std::vector<CorporateAction> Actions(const QString &ticker);
    // The tickers of the actions, as readActionTickers gives them.
    QStringList ActionTickers();

    // The pending change of the lot's shares is a split: each share becomes
    // ratio shares. Writing the change keeps the split with it (LotSplits.h);
    // a change of the shares typed, or one whose boxes the lot fills again
    // (Undo, a move, a new lot), is none.
    void SplitPending(double ratio);
    // Every split the file keeps, as readLotSplits gives them.
    std::vector<LotSplit> LotSplits();
    // The tickers the file's actions link, as readTickerFamilies gives them.
    TickerFamilies Families();
    // The gains of returns of capital (of year only, when given), as
    // readCapitalReturns gives them.
    std::vector<SalePart> CapitalReturns(std::optional<int> year = {});

    void Edit();
    void Update();
    void CancelUpdate();
    void Delete();
    void MoveFirst();
    void MoveLast();
    void MoveNext();
    void MovePrevious();
    void FindFirst(const FindCriteria &criteria);
    void FindNext(const FindCriteria &criteria);
    bool NoMatch() const { return noMatch_; }

    Bookmark getBookmark() const;
    void setBookmark(Bookmark bookmark);
    Bookmark LastModified() const { return lastModified_; }

    int AbsolutePosition() const { return place_.onLot ? place_.position : -1; }
    int RecordCount() const { return static_cast<int>(rows_.size()); }
    int EditMode() const { return editMode_; }

    // The lots of the record set in query order, each as the file held it
    // when it was read or written; the master list shows them. A lot written
    // from the boxes shows its amounts as they did.
    const LotTable &rows() const { return rows_; }
    // The current lot as the file held it when it was last read; none when
    // there is no current lot.
    const StoredLot *current() const { return place_.onLot ? &current_ : nullptr; }
    bool readOnly() const { return db_ && db_->readOnly(); }
    // What opening the file set aside, in a sentence for the user; empty
    // when nothing was.
    QString notice() const { return db_ ? db_->notice() : QString(); }

    const QString &DatabaseName() const { return databaseName_; }

private:
    // Where the cursor stands: on the current lot, or, with no current lot, in
    // the gap before the lot at a position (the first, one past the last, or
    // where a deleted lot stood). A move to the next lot reaches the lot after
    // the gap, a move to the previous the lot before it.
    struct Place {
        int position = 0;   // of the current lot, or of the lot after the gap
        bool onLot = false;

        static Place lot(int position) { return {position, true}; }
        static Place gapBefore(int position) { return {position, false}; }
        int next() const { return onLot ? position + 1 : position; }
        int previous() const { return position - 1; }
    };

    // Offers the pending record to Validate with the action and whether it
    // would be saved; returns whether to save. Raises 3426 when it cancels.
    bool validate(int action, bool save);
    // What a write of sales did: the IDs of the sale rows, and each part's
    // lot as the sale left it (none when it left the file).
    struct SalesWritten {
        std::vector<SaleId> ids;
        std::vector<std::optional<StoredLot>> kept;
    };
    // Records the parts of sales, in order, within the caller's transaction,
    // each with the change of its lot; the ledger's first sale makes the
    // sales' table and view. A lot must be in the file as the record set
    // holds it before its first part (else 3104 or 3107), unless the parts
    // were planned on the lots as the file holds them within the transaction
    // (plannedOnFile); a later part of the same lot takes it as the earlier
    // one left it.
    // Raises Error when the file refuses a part. The record set is left as
    // it is: once the transaction is committed, followSales brings it in step.
    SalesWritten writeSales(const std::vector<SalePart> &parts, bool plannedOnFile = false,
                            const std::function<bool(qint64 done, qint64 total)> &progress = {});
    struct SaleUndo;   // the statements of an undo of a sale, prepared once
    std::pair<StoredLot, bool> undoPart(const SalePart &seen, SaleUndo &statements);
    // An action written within a transaction: as recorded, and its sale,
    // naming the lots made by their IDs, as written.
    struct ActionWritten {
        CorporateAction recorded;
        std::vector<SalePart> sale;
        SalesWritten sold;
    };
    // Writes the action as RecordAction does, within the caller's
    // transaction, adding the lots it leaves in the file to after when
    // given. Each lot it changes must be in the file as its before values
    // say, and so in the record set too, unless the action was worked out on
    // the lots as the file holds them within the transaction (plannedOnFile).
    // Raises Error as RecordAction does.
    ActionWritten writeAction(const CorporateAction &action, bool plannedOnFile, LotTable *after,
                              const std::function<bool(qint64 done, qint64 total)> &progress = {});
    // Undoes the action seen in one transaction, which is committed only
    // when commit is set; the record set follows what was committed. Without
    // commit it only checks: it stops, rolled back, once no refusal is left.
    void undoAction(const CorporateAction &seen, const std::function<bool(qint64 done, qint64 total)> &progress,
                    bool commit);
    // The lots of an action refused, or whose undo was refused, are shown as
    // the file holds them.
    void followActionLots(const CorporateAction &action);
    void followCurrent(const LotTable &rows);
    std::vector<std::pair<StoredLot, bool>> undoSaleParts(const std::vector<SalePart> &sale);
    // The rows of the lots the record set holds take what the sales left
    // them, or leave it when sold whole; the current lot's boxes follow.
    void followSales(const std::vector<SalePart> &parts, const SalesWritten &written);
    // True when pending changes were written.
    bool leaveRecord(int action);
    void writePending();
    // Within the write of the pending changes: keeps the split pending of
    // the lot, when its shares changed.
    void writeSplit(LotId lot);
    LotId insertLot(const std::function<QString(int pos)> &text);
    bool updateCurrent();
    // The lot's row takes what the file now holds.
    void stored(const StoredLot &lot, bool isNew);
    void added(const LotRow &row);   // a new lot's row, among the others by its ID
    // The lot's row, when another program changed the lot since it was read:
    // its values as the file holds them, shown as read from it.
    void followed(const StoredLot &lot);
    StoredLot readLot(LotId id);
    // Makes the lot at position current; direction (+1 or -1) is the way to
    // go on when that lot has vanished from the file.
    void makeCurrent(int position, int direction = +1);
    void dropVanished(int position);
    // The lots as the file holds them now, in the record set and the boxes:
    // each that another program changed is read again, each it removed
    // leaves, as Undo does for the current lot.
    void followFile(const std::vector<LotId> &ids);
    void followSaleLots(const std::vector<SalePart> &sale);
    // The lot at position leaves the record set, as a deleted lot does.
    // Takes the rows of lots that left the file out of the record set, in
    // one pass; the cursor keeps its lot, or the gap where it stood.
    void removeRows(std::vector<std::size_t> rows);
    void moveTo(int position, int action, int direction);
    void showCurrent();
    bool anyChanged() const;
    Statement &cached(std::unique_ptr<Statement> &slot, const char *sql);
    int positionOf(LotId id) const;   // -1 when not in the keyset
    std::optional<int> findFrom(const FindCriteria &criteria, int start);
    std::optional<int> findTicker(const QString &ticker, int start);
    void find(const FindCriteria &criteria, bool afterCurrent);

    QString databaseName_;
    FieldBinding &binding_;
    Events events_;
    std::unique_ptr<Database> db_;
    std::optional<tesmo::Error> openError_;   // why Open failed, raised again by writes
    LotTable rows_;                           // query order, ascending IDs
    Place place_;
    std::unique_ptr<Statement> readStmt_, insertStmt_, deleteStmt_;
    int editMode_ = kEditNone;
    double splitPending_ = 1;   // the ratio of the splits in the boxes since they were filled
    bool noMatch_ = false;
    StoredLot current_;
    Bookmark lastModified_;
};

} // namespace tesmo
