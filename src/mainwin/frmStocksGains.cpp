// The Holdings and Gains window (Ctrl+G, the master list's context menu)
// over the lots in memory and the ledger's sales, and the undo of a sale
// that it asks for.
#include "mainwin/frmStocks.h"

#include "sales/HoldingsGainsWindow.h"

namespace tesmo {

void frmStocks::HoldingsAndGains()
{
    if (!data1_->isOpen())
        return;
    command("Source : frmStocks HoldingsAndGains", [this] {
        HoldingsGainsWindow window(dialogs_,
                                   {data1_->rows(), [this] { return data1_->Sales(); },
                                    [this](const SaleRecord &sale) { return UndoSale(sale); },
                                    platform_.shell.desktopFolder()},
                                   QDate::currentDate(), this);
        window.exec();
    });
}

// The lists follow the lot that the undo changed or brought back, as they
// follow any lot stored.
bool frmStocks::UndoSale(const SaleRecord &sale)
{
    try {
        if (!readyToWrite(QStringLiteral("No sale can be undone: the ledger file cannot be written here.")))
            return false;
        data1_->UndoSale(sale);
    } catch (const Error &e) {
        if (e.number() == kErrSaleUndoRefused)
            throw;
        throw Error(e.number(), QStringLiteral("The sale was not undone: %1.").arg(whyNotWritten(e, "undo it")));
    }
    updateCommands();
    return true;
}

} // namespace tesmo
