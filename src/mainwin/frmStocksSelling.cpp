// Selling shares of the current lot's ticker: the command that Ctrl+L and the
// master list's context menu run. Pending changes on the lot are handled
// first, the dialog plans the sale from the ticker's lots, the store records
// it, and the lists, the counter and the current lot follow the lots as they
// now are; one message says what was sold.
#include "mainwin/frmStocks.h"

#include "mainwin/ImportedSales.h"
#include "mainwin/LotListView.h"
#include "sales/SellSharesDialog.h"
#include "text/FieldRules.h"
#include "text/Limits.h"

#include <QLineEdit>
#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace tesmo {

namespace {

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Whether a lot's ticker (UTF-8) is ticker under the ticker case fold. Two
// ASCII tickers are compared byte by byte without the text conversions,
// since a ledger may hold a million lots.
bool ofTicker(std::string_view lotTicker, const QByteArray &ticker, bool ascii)
{
    if (ascii && isAscii(lotTicker))
        return lotTicker.size() == std::size_t(ticker.size())
               && qstrnicmp(lotTicker.data(), ticker.constData(), ticker.size()) == 0;
    return sameTicker(QString::fromUtf8(lotTicker), QString::fromUtf8(ticker));
}

// A lot as a sale takes from it, when its values can be sold from: shares
// to sell, and amounts within the ledger's limits.
std::optional<SaleLot> sellable(const LotRow &row)
{
    std::optional<SaleLot> lot = saleLotOf(row);
    if (!lot || !(lot->shares > 0) || !sharesInRange(lot->shares) || (lot->price && !moneyInRange(*lot->price))
        || (lot->netAmount && !moneyInRange(*lot->netAmount)))
        return std::nullopt;
    return lot;
}

// The lots of the current lot's ticker that a sale can take from: the
// current lot first, then in order of trade date and ID.
std::vector<SaleLot> lotsToSellFrom(const LotTable &rows, LotId current, const QString &ticker)
{
    const QByteArray wanted = ticker.toUtf8();
    const bool ascii = isAscii({wanted.constData(), std::size_t(wanted.size())});
    std::vector<SaleLot> lots;
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const LotRow lot = rows.lot(row);
        if (!ofTicker(lot.ticker, wanted, ascii))
            continue;
        if (std::optional<SaleLot> sale = sellable(lot))
            lots.push_back(std::move(*sale));
    }
    std::sort(lots.begin(), lots.end(), [current](const SaleLot &a, const SaleLot &b) {
        return std::tuple(a.id != current, a.acquired, a.id) < std::tuple(b.id != current, b.acquired, b.id);
    });
    return lots;
}

// The first lot, in the order of the lists, that still holds shares after
// the sale of parts from lots; none when no lot does.
std::optional<LotId> firstStillHolding(const std::vector<SaleLot> &lots, const std::vector<SalePart> &parts)
{
    std::unordered_map<LotId, double> left;
    for (const SalePart &part : parts)
        left.emplace(part.lot, part.sharesLeft);
    std::optional<LotId> first;
    for (const SaleLot &lot : lots) {
        const auto sold = left.find(lot.id);
        if ((sold == left.end() ? lot.shares : sold->second) > 0 && (!first || lot.id < *first))
            first = lot.id;
    }
    return first;
}

} // namespace

bool frmStocks::SellOffered() const
{
    const RecordStore &rs = *data1_;
    return rs.isOpen() && rs.EditMode() != kEditAdd && rs.AbsolutePosition() >= 0;
}

void frmStocks::SellShares()
{
    if (!SellOffered())
        return;
    command("Source : frmStocks SellShares", [this] {
        RecordStore &rs = *data1_;
        if (!readyToWrite(QStringLiteral("No shares can be sold: the ledger file cannot be written here.")))
            return;
        if (rs.AbsolutePosition() < 0)
            return;
        const LotRow current = rs.rows().lot(std::size_t(rs.AbsolutePosition()));
        const QString ticker = QString::fromUtf8(current.ticker);
        const std::vector<SaleLot> lots = lotsToSellFrom(rs.rows(), current.id, ticker);
        if (lots.empty()) {
            dialogs_.message(QStringLiteral("No lot of %1 holds shares to sell.").arg(ticker), Dialogs::Buttons::Ok,
                             Dialogs::Icon::Information);
            return;
        }
        SellSharesDialog dialog(lots, dialogs_, [&](const std::vector<SalePart> &parts) {
            try {
                std::vector<SaleToRecord> records;
                for (const SalePart &part : parts)
                    records.push_back(recordOf(part));
                rs.Sell(records);
                return true;
            } catch (const Error &e) {
                dialogs_.message(QStringLiteral("No shares were sold: %1.").arg(whyNotWritten(e, "sell")),
                                 Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
                return false;
            }
        }, this);
        if (dialog.exec() != QDialog::Accepted)
            return;

        // A lot sold in part shows its rest in both lists already; one sold
        // whole leaves the selection list as a deleted lot does.
        const std::vector<SalePart> &parts = dialog.sold();
        for (const SalePart &part : parts)
            if (part.wholeLot)
                RefreshList2(part.lot);
        if (const auto first = firstStillHolding(lots, parts)) {
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
        dialogs_.message(QStringLiteral("Sold ") + saleSummary(parts), Dialogs::Buttons::Ok,
                         Dialogs::Icon::Information);
    });
}

} // namespace tesmo
