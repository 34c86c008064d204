// Selling shares of the current lot's ticker (Ctrl+L, the master list's
// context menu), and the Holdings and Gains window (Ctrl+G): the window asks
// the commands below it, and shows what they did.
#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"
#include "sales/GainsReport.h"
#include "sales/window/HoldingsGainsWindow.h"
#include "sales/window/SellSharesDialog.h"

namespace tesmo {

bool frmStocks::SellOffered() const
{
    const RecordStore &rs = *data1_;
    return rs.isOpen() && rs.EditMode() != kEditAdd && rs.AbsolutePosition() >= 0;
}

// The lists, the counter and the current lot follow the lots as the sale
// left them; one message says what was sold.
void frmStocks::SellShares()
{
    if (!SellOffered())
        return;
    attempt("Source : frmStocks SellShares", Deed::Sell, [this] {
        RecordStore &rs = *data1_;
        ShareSale sale(rs);
        SellSharesDialog dialog(sale, dialogs_, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
        // A lot sold whole has left both lists.
        if (const auto first = sale.nextCurrent()) {
            rs.setBookmark(first);
            HighlightLists();
        } else if (rs.AbsolutePosition() >= 0) {
            rs.setBookmark(rs.getBookmark());   // the boxes show the lot as it now is
        } else {
            MoveIntoGap();
        }
        // The window shows the lots it now holds while the message is up.
        updateCommands();
        ListView1->scrollToSelectedRow();
        dialogs_.message(QStringLiteral("Sold ") + saleSummary(sale.sold()), Dialogs::Buttons::Ok,
                         Dialogs::Icon::Information);
    });
}

void frmStocks::HoldingsAndGains()
{
    if (!data1_->isOpen())
        return;
    attempt("Source : frmStocks HoldingsAndGains", Deed::ShowGains, [this] {
        GainsReport report(*data1_, QDate::currentDate());
        HoldingsGainsWindow window(dialogs_, report, platform_.shell.desktopFolder(), this);
        window.exec();
    });
}

} // namespace tesmo
