// The record store's splits of single lots: a split pending in the boxes is
// kept with the change of the lot's shares that it made.
#include "store/RecordStore.h"

namespace tesmo {

void RecordStore::SplitPending(double ratio)
{
    splitPending_ *= ratio;
}

std::vector<LotSplit> RecordStore::LotSplits()
{
    requireOpen();
    return readLotSplits(*db_);
}

// Only a split whose shares are written: splits that came back to the
// shares the lot held, or that left a lot of no shares as it was, change
// nothing. The split stays pending until the boxes are filled again, so
// that a write refused keeps it with the changes.
void RecordStore::writeSplit(LotId lot)
{
    if (binding_.changed(kNumShares))
        recordLotSplit(*db_, lot, splitPending_);
}

} // namespace tesmo
