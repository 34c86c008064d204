// The record set of the main window over qryStocks: a keyset cursor. It holds
// the IDs of the lots in query order (taken when it opens), a current position,
// a pending record with the bound edit boxes as its buffer, bookmarks and
// LastModified, and raises Validate, Reposition and Error as the window's
// handlers expect. It knows nothing of widgets: the boxes reach it through
// FieldBinding.
#pragma once

#include "store/Database.h"
#include "store/Lot.h"

#include <QString>
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
    // Shows a record's texts in the boxes; each box whose text differs runs its
    // change handler before this returns. Clears every box's changed mark.
    virtual void show(const FieldTexts &texts) = 0;
    // True when the box's text changed since the record was shown.
    virtual bool changed(int pos) const = 0;
    // Clears the changed mark of one box, so that Update does not write it.
    virtual void setUnchanged(int pos) = 0;
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
    QString ticker;   // compared ignoring letter case

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
        // An operation the store began by itself failed (opening); description
        // is the error's text.
        std::function<void(int dataErr, const QString &description, int &response)> Error;
    };

    RecordStore(QString databaseName, FieldBinding &binding);
    ~RecordStore();

    void setEvents(Events events) { events_ = std::move(events); }

    // Opens the file and the query; the first lot becomes current. A failure is
    // reported through the Error event and leaves the store closed and empty.
    void Open();
    bool isOpen() const { return db_ != nullptr; }
    // Offers pending changes to Validate with the given action (kActClose or
    // kActUnload) and stores them when it lets them through; raises 3426 when
    // it cancels, and the store stays open. Then closes.
    void Close(int action = kActClose);

    void AddNew();
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

    int AbsolutePosition() const { return cursor_ == Cursor::OnRecord ? position_ : -1; }
    int RecordCount() const { return static_cast<int>(keys_.size()); }
    int EditMode() const { return editMode_; }

    // The value of a field of the pending record (while one is pending) or of
    // the current record, in its plain text form; empty for null.
    QString Fields(int pos) const;
    // Sets a field of the pending record to null. Raises kErrNothingPending
    // when no record is pending.
    void setFieldNull(int pos);

    const QString &DatabaseName() const { return databaseName_; }
    // The keyset, in query order.
    const std::vector<LotId> &keys() const { return keys_; }

private:
    // Where the cursor stands. Deleted: on the gap the last Delete left at
    // position_; MoveNext goes to the lot behind it, MovePrevious to the one before.
    enum class Cursor { OnRecord, BeforeFirst, AfterLast, Deleted };

    // Raises Validate before the current or pending record is left; stores the
    // pending changes when Save comes back true. Raises 3426 on cancel.
    void leaveRecord(int action);
    void writePending();
    Lot lotFromBinding() const;
    Lot readLot(LotId id) const;
    void makeCurrent(int position);
    void moveTo(int position, int action);
    void showCurrent();
    void requireOpen() const;
    bool hasRecordToLeave() const;
    bool anyChanged() const;
    Statement &cached(std::unique_ptr<Statement> &slot, const char *sql);
    int positionOf(LotId id) const;   // -1 when not in the keyset
    std::optional<int> findFrom(const FindCriteria &criteria, int start) const;
    void find(const FindCriteria &criteria, bool afterCurrent);

    QString databaseName_;
    FieldBinding &binding_;
    Events events_;
    std::unique_ptr<Database> db_;
    std::vector<LotId> keys_;          // sorted ascending: query order
    int position_ = -1;
    Cursor cursor_ = Cursor::AfterLast;
    std::optional<StoreError> openError_;   // why Open failed, raised again by writes
    std::unique_ptr<Statement> readStmt_, updateStmt_, insertStmt_, deleteStmt_;
    int editMode_ = kEditNone;
    bool noMatch_ = false;
    Lot current_;                       // the current record as stored
    Lot pending_;                       // the pending record's non-bound values
    Bookmark lastModified_;
};

} // namespace tesmo
