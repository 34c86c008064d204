// Opening the stock split dialog.
#include "mainwin/frmStocks.h"

#include "split/Split.h"

#include <QScreen>

namespace tesmo {

// Opens the dialog modeless, or brings the open one forward; its OK applies to
// whichever lot is current when it is pressed.
void frmStocks::cmdSplit_Click()
{
    trap("Source : frmStocks cmdSplit_Click", [this] {
        if (!splitDialog()) {
            split_ = new Split(*this, dialogs_, this);
            const QRect screen = this->screen()->availableGeometry();
            split_->move(screen.center() - split_->rect().center());
        }
        split_->show();
        split_->raise();
        split_->activateWindow();
    });
}

Split *frmStocks::splitDialog() const
{
    // A dialog that was closed is hidden at once and deleted a moment later.
    return split_ && split_->isVisible() ? split_.data() : nullptr;
}

} // namespace tesmo
