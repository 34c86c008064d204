// The stock split: the dialog asks for the ratio, and the window rescales the
// shares and price boxes of its current lot. Nothing is stored until Save,
// which keeps the split with the lot's new shares.
#include "mainwin/frmStocks.h"

#include "split/Split.h"
#include "split/SplitRatio.h"

#include <QLineEdit>
#include <QScreen>

namespace tesmo {

// Opens the dialog modeless, or brings the open one forward; its OK applies to
// whichever lot is current when it is pressed.
void frmStocks::cmdSplit_Click()
{
    trap("Source : frmStocks cmdSplit_Click", [this] {
        if (!split_ || !split_->isVisible()) {
            split_ = new Split(dialogs_, [this](double ratio) { applySplit(ratio); }, this);
            const QRect screen = this->screen()->availableGeometry();
            split_->move(screen.center() - split_->rect().center());
        }
        split_->show();
        split_->raise();
        split_->activateWindow();
    });
}

void frmStocks::applySplit(double ratio)
{
    const RescaledLot rescaled = rescaleLot(txtFields[kNumShares]->text(), txtFields[kPrice]->text(), ratio);
    setBoxText(txtFields[kNumShares], rescaled.shares);
    if (!rescaled.price.isEmpty())
        setBoxText(txtFields[kPrice], rescaled.price);
    FormatCurr(kPrice);
    data1_->SplitPending(ratio);
    updateCommands();
}

} // namespace tesmo
