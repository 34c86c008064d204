// Selling shares of the current lot's ticker: the command behind "Sell
// Shares". Made on the record store's current lot, it offers the lots of its
// ticker that a sale can take from; it plans a sale on them as the user's
// choices change, and records the one the user confirms. Widget free: the
// dialog asks, this plans and records.
#pragma once

#include "sales/LedgerGains.h"
#include "sales/SalePlanner.h"
#include "sales/WashSales.h"
#include "store/RecordStore.h"

#include <functional>

#include <optional>
#include <unordered_map>
#include <vector>

namespace tesmo {

class ShareSale {
public:
    // Readies a sale from the current lot's ticker; its pending changes are
    // handled first. Raises Error as RecordStore::readyToWrite does, 3101
    // without a current lot, and 3116, naming the ticker, when no lot of it
    // holds shares to sell.
    explicit ShareSale(RecordStore &store);

    const QString &ticker() const { return ticker_; }
    // The lots offered: the current lot first, then by trade date and ID.
    // Their texts stay valid while the command lives. A sale refused because
    // another program changed or removed a lot offers the lots anew, as the
    // file holds them.
    const std::vector<LotRow> &lots() const { return lots_; }

    // What earlier wash sales added to an offered lot's shares: their cost
    // and the date they are held from; none for a lot without.
    struct Adjusted {
        Ticks adjustment = 0;
        QDate heldFrom;
    };
    std::optional<Adjusted> adjustedOf(LotId lot) const;

    // The sale as the user's choices give it. Raises SaleRefusal.
    std::vector<SalePart> plan(QDate sold, double shares, Ticks proceeds, SaleMethod method,
                               const ChosenShares &chosen = {}) const;

    // A planned sale as the list of realized gains will show it once it is
    // recorded: the ticker's wash sales worked out with it as the latest
    // sale. Its rows for taxes, one or more a part, each row's part the index
    // of its part in parts: the cost basis and date acquired as earlier wash
    // sales adjusted them, and the loss that purchases within 30 days of it
    // disallow; and the line of the sale, their sums.
    struct Figures {
        std::vector<TaxRow> rows;
        SaleLine line;
    };
    Figures figures(const std::vector<SalePart> &parts) const;

    // What to ask before a planned sale is recorded, as of today: a sale
    // dated after today, and a loss that a purchase of the ticker within 30
    // days makes a wash sale, with the loss disallowed; empty when nothing.
    QString question(const std::vector<SalePart> &parts, QDate today) const;

    // Records the parts of a planned sale in the ledger, telling progress
    // of the parts written. Raises Error with the reason when they cannot be
    // recorded, 3426 when progress returns false; nothing is then written.
    void sell(const std::vector<SalePart> &parts, const std::function<bool(qint64 done)> &progress = {});

    // After sell(): the parts recorded, with the IDs of their rows and the
    // sale's number; the sale's line, the sums of the rows the ledger now
    // keeps of it (qryGains), as the list of realized gains shows it; and the
    // lot to make current: of the lots offered, the first by ID that still
    // holds shares; none when each was sold whole.
    const std::vector<SalePart> &sold() const { return sold_; }
    const SaleLine &soldLine() const { return soldLine_; }
    std::optional<LotId> nextCurrent() const;

private:
    void offer();

    RecordStore &store_;
    LotId first_ = 0;   // the lot current when the sale began
    QString ticker_;
    SalePlanner planner_;
    std::vector<LotRow> lots_;
    std::vector<SalePart> sold_;
    SaleLine soldLine_;
    // Of the ticker and those its actions link to it (store/TickerFamilies.h):
    TickerFamilies families_;
    std::vector<WashLot> washLots_;     // every lot ever bought
    std::vector<WashSale> washParts_;   // every part sold
    std::unordered_map<LotId, Adjusted> adjusted_;
};

// What a sale does, as the end of a sentence that starts with a verb, its
// figures those of the list of realized gains: "150 shares of ACME from 2
// lots on 6/1/2024 for $3,000.00: cost $1,750.00, gain $1,250.00." A loss
// says "loss"; a loss a wash sale disallows says so after the gain that
// remains: "cost $100.00, loss $0.00 after a wash-sale adjustment of
// $20.00." ("1 share", "12,050,000 shares").
QString saleSummary(const SaleLine &sale);

} // namespace tesmo
