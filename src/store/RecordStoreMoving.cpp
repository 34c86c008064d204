// Moving through the record set: the current lot, read afresh from the file
// each time it becomes current, and bookmarks of lots by their ID.
#include "store/RecordStore.h"

#include <algorithm>

namespace tesmo {

void RecordStore::showCurrent()
{
    splitPending_ = 1;
    binding_.show(place_.onLot ? current_.boxTexts() : FieldTexts{});
}

// A lot that another program deleted since the record set was taken leaves
// it, and the next lot in the direction of travel is tried, else the one the
// other way; with no lot left there is no current lot.
void RecordStore::makeCurrent(int position, int direction)
{
    while (rows_.size() > 0) {
        position = std::clamp(position, 0, RecordCount() - 1);
        try {
            current_ = readLot(rows_.id(std::size_t(position)));
            followed(current_);
        } catch (const tesmo::Error &e) {
            if (e.number() != kErrLotGone)
                throw;
            dropVanished(position);
            if (direction < 0)
                --position;
            continue;
        }
        place_ = Place::lot(position);
        editMode_ = kEditNone;
        showCurrent();
        if (events_.Reposition)
            events_.Reposition();
        return;
    }
    place_ = Place::gapBefore(0);
    editMode_ = kEditNone;
    showCurrent();
}

void RecordStore::followed(const StoredLot &lot)
{
    const int at = positionOf(lot.id());
    LotRow row = lot.row();
    if (at < 0 || sameValues(row, rows_.lot(std::size_t(at))))
        return;
    row.boxAmounts = false;
    rows_.replace(std::size_t(at), row);
}

void RecordStore::dropVanished(int position)
{
    const LotId id = rows_.id(std::size_t(position));
    rows_.erase(std::size_t(position));
    if (place_.onLot && position < place_.position)
        --place_.position;
    if (events_.Vanished)
        events_.Vanished(id);
}

void RecordStore::moveTo(int position, int action, int direction)
{
    leaveRecord(action);
    makeCurrent(position, direction);
}

void RecordStore::MoveFirst()
{
    if (rows_.size() > 0)
        moveTo(0, kActMoveFirst, +1);
}

void RecordStore::MoveLast()
{
    if (rows_.size() > 0)
        moveTo(RecordCount() - 1, kActMoveLast, -1);
}

void RecordStore::MoveNext()
{
    if (place_.next() < RecordCount())
        moveTo(place_.next(), kActMoveNext, +1);
}

void RecordStore::MovePrevious()
{
    if (place_.previous() >= 0 && rows_.size() > 0)
        moveTo(std::min(place_.previous(), RecordCount() - 1), kActMovePrevious, -1);
}

Bookmark RecordStore::getBookmark() const
{
    if (!place_.onLot)
        return std::nullopt;
    return current_.id();
}

void RecordStore::setBookmark(Bookmark bookmark)
{
    if (!bookmark)
        throw tesmo::Error(kErrNoCurrentLot);
    const int pos = positionOf(*bookmark);
    if (pos < 0)
        throw tesmo::Error(kErrLotGone, QStringLiteral("The lot is no longer in the ledger file."));
    leaveRecord(kActBookmark);
    makeCurrent(pos);
}

} // namespace tesmo
