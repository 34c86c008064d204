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
    trap("Source : frmStocks HoldingsAndGains", [this] {
        HoldingsGainsWindow window(dialogs_,
                                   {data1_->rows(), [this] { return data1_->Sales(); },
                                    [this](const SaleRecord &sale) { return UndoSale(sale); },
                                    platform_.shell.desktopFolder()},
                                   QDate::currentDate(), this);
        window.exec();
    });
    updateCommands();
}

// Pending changes are handled first, as leaving the lot handles them; a
// refusal by the field rules has shown its message. The master list follows
// the store's lots by itself, the selection list is brought into step here.
bool frmStocks::UndoSale(const SaleRecord &sale)
{
    RecordStore &rs = *data1_;
    try {
        rs.Leave(kActAddNew);
    } catch (const Error &e) {
        if (e.number() == kErrCancelled)
            return false;
        throw inUserWords(e);
    }
    try {
        rs.UndoSale(sale.id);
    } catch (const Error &e) {
        if (e.number() == kErrSaleUndoRefused)
            throw;
        throw Error(e.number(), QStringLiteral("The sale was not undone: %1.").arg(whyNotWritten(e, "undo it")));
    }
    StoredLot undone;
    undone.id = sale.lot;
    EditLists(undone);
    updateCommands();
    return true;
}

} // namespace tesmo
