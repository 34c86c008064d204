// Opening the stock split dialog.
#include "mainwin/frmStocks.h"

#include "split/Split.h"

namespace tesmo {

// Opens the dialog modeless, or brings the open one forward; its OK applies to
// whichever lot is current when it is pressed.
void frmStocks::cmdSplit_Click()
{
    trap("Source : frmStocks cmdSplit_Click", [this] {
        if (!split_) {
            split_ = new Split(*this, dialogs_, this);
            connect(split_, &QObject::destroyed, this, [this] { split_ = nullptr; });
        }
        split_->show();
        split_->raise();
        split_->activateWindow();
    });
}

} // namespace tesmo
