// Saving the pending lot: the changes to the current lot, or the new lot,
// which then becomes current at the end of the master list. Both lists show
// a stored lot's rows as the store now holds them.
#include "mainwin/frmStocks.h"

namespace tesmo {

void frmStocks::cmdSave_Click()
{
    command(
        "Source : frmStocks cmdSave_Click",
        [this] {
            RecordStore &rs = *data1_;
            if (rs.EditMode() == kEditNone)
                rs.Edit();
            try {
                rs.Update();
            } catch (const Error &e) {
                // A refusal by the field rules has shown its own message.
                if (e.number() != kErrCancelled)
                    throw;
            }
            if (UpdateFailed)
                return;
            glbCurrRecord.reset();
            rs.setBookmark(rs.LastModified());
        },
        [](int number) { return number == kErrCancelled; });
}

} // namespace tesmo
