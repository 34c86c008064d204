// The company's actions a broker's file holds (a split, a reverse split, a
// merger, a spin-off, a return of capital): what each row proposes, worked
// out from its own figures and the shares of its ticker held on its day, by
// the ledger and the file. Only a row whose evidence settles the action
// proposes one that can be recorded; any other says why not.
//
// What a row gives:
// - a split: the shares it adds; a reverse split: the shares it removes. The
//   ratio is (held + added) ÷ held, or (held − removed) ÷ held, and must read
//   as a ratio of small whole numbers ("4 for 1", "1 for 10", "3 for 2").
// - a merger (or an exchange of shares): the shares of the new ticker
//   received, the old ticker named in its words; the ratio received ÷ held,
//   of whole numbers up to 1000. The lots keep their names.
// - a spin-off (or a distribution of shares): the shares of the new ticker
//   received, the parent named in its words. The part of the parent's cost
//   the new shares take is never in the file, so it is shown, not recorded.
// - a return of capital: the amount received; per share it is the amount ÷
//   the shares held, to a hundredth of a cent, and it must come back to the
//   amount within half a cent.
#pragma once

#include "import/LotImport.h"
#include "store/Actions.h"
#include "text/LotTable.h"
#include "text/Money.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

namespace tesmo {

// A row of the file that reads as a company's action, with what it gives.
struct CompanyRow {
    unsigned actions = 0;     // the ones its words name (import::CompanyAction)
    bool tradeWords = false;  // its words name a purchase or a sale too
    QString ticker, name;     // the row's
    QString words;            // its action and name, which may name another ticker
    double shares = 0;        // as the file gives them, without their sign
    int sharesSign = 0;
    std::optional<Ticks> amount;   // without its sign
    QDate day;
};

// The action a row proposes, in the fields the action dialog asks for.
struct ProposedAction {
    ActionKind kind = ActionKind::Split;
    QString ticker;      // of the lots it reaches
    QDate day;
    QString ratio;       // "4 for 1"
    QString newTicker;   // a merger's or spin-off's
    QString cash;        // a return of capital's, per share: "0.25"
};

struct Proposal {
    // The action, when the row settles one that can be recorded.
    std::optional<ProposedAction> action;
    // What the status shows: "split 4 for 1 of ACME on 6/3/2024", or why
    // none can be recorded.
    QString text;
};

// The shares of a ticker (as a word of the file writes it) held on a day;
// 0 for a ticker not held.
using HeldShares = std::function<double(const QString &ticker, QDate day)>;

Proposal propose(const CompanyRow &row, const HeldShares &held);

// "4 for 1": after shares for held ones as whole numbers up to 1000, the
// smaller of them at most smaller, in lowest terms, when such a ratio gives
// after from held to the shares the ledger keeps; none otherwise.
std::optional<QString> wholeRatio(double after, double held, int smaller = 1000);

// An action or a day's sales the ledger records, by the tickers it reaches
// and makes (their keys, LotKey::ticker): what it is, its day, and the day
// of the first lot it took from.
struct RecordedChange {
    QString text;   // "the split of ACME on 6/14/2024", "a sale of ACME on 8/1/2024"
    qint64 day = 0;   // Julian days
    qint64 from = 0;
    std::vector<quint64> tickers;
};
// The actions and the days of sales the ledger at databaseName records.
// Raises Error when the ledger cannot be read.
std::vector<RecordedChange> recordedChanges(const QString &databaseName);

// Puts the company actions at indexes into lots in order of trade day, then
// row of the file.
void sortByDayAndRow(std::vector<qsizetype> &actions, const std::vector<CandidateLot> &lots);

// The row of candidate index of import as a company's action.
CompanyRow companyRow(const LotImport &import, qsizetype index);

// The preview's match of the file's company actions, each in order of day,
// then row, against the shares held on its day: by the ledger (rows, which
// stay as they are while the preview is open), the file's purchases chosen
// and its sales ticked that sales (their matches) cover. An action of a
// ticker that a ticked action before it reaches (as the old or the new
// ticker) is not settled until that one is recorded; nor is a sale of such a
// ticker dated after it, whose match is changed so. Nor is an action of a
// ticker that a recorded action or sale (recorded) changed on or after its
// day, from a lot bought on or before it: the shares held on the day are not
// those of the lots now, and the action may be a recorded one.
std::vector<SaleMatch> matchActions(const LotImport &import, const LotTable &rows,
                                    const std::vector<RecordedChange> &recorded, std::vector<SaleMatch> &sales);

} // namespace tesmo
