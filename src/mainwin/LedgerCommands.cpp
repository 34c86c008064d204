#include "mainwin/LedgerCommands.h"

#include "actions/window/CorporateActionDialog.h"
#include "sales/GainsReport.h"
#include "sales/window/HoldingsGainsWindow.h"
#include "sales/window/SellSharesDialog.h"

#include <QMenu>

namespace tesmo {

LedgerCommands::LedgerCommands(Platform platform, RecordStore &store, Window window, QObject *parent)
    : QObject(parent)
    , platform_(platform)
    , store_(store)
    , window_(std::move(window))
{
}

LedgerCommands::~LedgerCommands()
{
    stopDailyCopy();
}

bool LedgerCommands::sellOffered() const
{
    return store_.isOpen() && store_.EditMode() != kEditAdd && store_.AbsolutePosition() >= 0;
}

bool LedgerCommands::importOffered() const
{
    return store_.isOpen() && (store_.RecordCount() == 0 || sellOffered());
}

void LedgerCommands::sellShares()
{
    // While a lot is being added nothing is sold; an empty ledger, which
    // opens adding its first lot, says why.
    if (!store_.isOpen() || (store_.EditMode() == kEditAdd && store_.RecordCount() > 0))
        return;
    // Ctrl+L without a lot says why nothing can be sold.
    if (!sellOffered()) {
        platform_.dialogs.message(store_.RecordCount() == 0
                                      ? QStringLiteral("There is nothing to sell: the ledger holds no lots.")
                                      : QStringLiteral("Choose the lot whose shares to sell, then Sell Shares."),
                                  Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        return;
    }
    window_.run("Source : frmStocks SellShares", Deed::Sell, [this] {
        ShareSale sale(store_);
        SellSharesDialog dialog(sale, platform_.dialogs, window_.widget);
        if (dialog.exec() != QDialog::Accepted)
            return;
        // A lot sold whole has left both lists.
        if (const auto first = sale.nextCurrent())
            store_.setBookmark(first);
        else if (store_.AbsolutePosition() >= 0)
            store_.setBookmark(store_.getBookmark());   // the boxes show the lot as it now is
        else
            window_.moveIntoGap();
        window_.showLots();
        platform_.dialogs.message(QStringLiteral("Sold ") + saleSummary(sale.soldLine()), Dialogs::Buttons::Ok,
                                  Dialogs::Icon::Information);
    });
}

void LedgerCommands::corporateAction()
{
    if (!store_.isOpen() || (store_.EditMode() == kEditAdd && store_.RecordCount() > 0))
        return;
    if (!sellOffered()) {
        platform_.dialogs.message(store_.RecordCount() == 0
                                      ? QStringLiteral("There is no ticker to record an action of: the ledger holds "
                                                       "no lots.")
                                      : QStringLiteral("Choose a lot of the ticker, then Corporate Action."),
                                  Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        return;
    }
    window_.run("Source : frmStocks CorporateAction", Deed::RecordAction, [this] {
        TickerActions actions(store_);
        CorporateActionDialog dialog(actions, actions.currentTicker(), platform_.dialogs, window_.widget);
        const bool recorded = dialog.exec() == QDialog::Accepted && dialog.recorded();
        // The lots as the actions recorded and undone left them, or as the
        // file holds them after one refused for another program's change:
        // the current lot may have been sold whole, or made anew by an undo.
        if (store_.AbsolutePosition() >= 0)
            store_.setBookmark(store_.getBookmark());
        else
            window_.moveIntoGap();
        window_.showLots();
        if (recorded)
            platform_.dialogs.message(actions.summary(*dialog.recorded()), Dialogs::Buttons::Ok,
                                      Dialogs::Icon::Information);
    });
}

void LedgerCommands::holdingsAndGains()
{
    if (!store_.isOpen())
        return;
    window_.run("Source : frmStocks HoldingsAndGains", Deed::ShowGains, [this] {
        GainsReport report(store_, QDate::currentDate());
        HoldingsGainsWindow shown(platform_.dialogs, report, platform_.shell.desktopFolder(), window_.widget);
        shown.exec();
    });
}

void LedgerCommands::contextMenu(const QPoint &globalPos)
{
    QMenu menu(window_.widget);
    const struct {
        const char *caption, *name;
        QKeyCombination key;
        bool offered;
        std::function<void()> run;
    } entries[] = {
        {"Import Lots from File...", "importLots", Qt::CTRL | Qt::Key_I, importOffered(), [this] { importLots({}); }},
        {"Restore from Backup...", "restoreFromBackup", {}, importOffered(), [this] { restoreFromBackup(); }},
        {"Sell Shares...", "sellShares", Qt::CTRL | Qt::Key_L,
         store_.isOpen() && (store_.EditMode() != kEditAdd || store_.RecordCount() == 0),
         [this] { sellShares(); }},
        {"Corporate Action...", "corporateAction", Qt::CTRL | Qt::Key_K,
         store_.isOpen() && (store_.EditMode() != kEditAdd || store_.RecordCount() == 0),
         [this] { corporateAction(); }},
        {"Holdings and Gains...", "holdingsAndGains", Qt::CTRL | Qt::Key_G, store_.isOpen(),
         [this] { holdingsAndGains(); }},
    };
    for (const auto &entry : entries) {
        QAction *action = menu.addAction(QString::fromUtf8(entry.caption));
        action->setObjectName(QString::fromLatin1(entry.name));
        if (entry.key != QKeyCombination())
            action->setShortcut(QKeySequence(entry.key));
        action->setEnabled(entry.offered);
        action->setData(int(&entry - entries));
    }
    if (QAction *chosen = menu.exec(globalPos))
        entries[chosen->data().toInt()].run();
}

} // namespace tesmo
