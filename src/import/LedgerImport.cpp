#include "import/LedgerImport.h"

#include "import/BrokerTexts.h"
#include "import/ChosenLots.h"
#include "import/ImportedActions.h"
#include "import/ImportedSales.h"
#include "store/Backup.h"
#include "text/FailureWords.h"
#include "text/Regional.h"

#include <QStringList>
#include <array>

namespace tesmo {

namespace {

using regional::counted;

// Why a file gave no rows to import, as the end of a sentence.
QString unreadable(const LotImport &import)
{
    switch (import.problem()) {
    case ReadProblem::Empty:
        return QStringLiteral("the file is empty");
    case ReadProblem::NotText:
        return QStringLiteral("the file holds no text, as a broker's CSV file does (it may be an image, a workbook or "
                              "another program's file)");
    case ReadProblem::None:
    case ReadProblem::NoHeader:
        break;
    }
    return QStringLiteral("no line of it holds headings over lines of data, as a broker's CSV file does");
}

} // namespace

LedgerImport::LedgerImport(RecordStore &store)
    : store_(store)
{
    store_.readyToWrite();
}

void LedgerImport::read(QIODevice &device, const QString &name, Progress *progress)
{
    version_ = store_.ledgerVersion();
    import_ = LotImport(storedKeys(store_.DatabaseName(), store_.RecordCount()), storedSales(store_.DatabaseName()),
                        rememberedLayouts(store_.DatabaseName()));
    import_.setSaleMatcher(saleMatcher(store_.rows(), recordedChanges(store_.DatabaseName())));
    import_.read(device, progress);
    if (!import_.hasHeader())
        throw Error(kErrNothingToDo, QStringLiteral("No lots can be imported from %1: %2.").arg(name, unreadable(import_)));
}

// The copy counts as about a 25th of a lot written for each lot it copies.
LedgerImport::Written LedgerImport::write(const std::function<bool(qint64 done, qint64 total)> &progress)
{
    ChosenLots lots(import_, version_);
    const qint64 copied = 1000 * qint64(store_.RecordCount()) / (qint64(store_.RecordCount()) + 25 * lots.count());
    const auto report = [&](qint64 done) { return !progress || progress(done, 1000); };
    Written written;
    report(0);
    copyFailure_.reset();
    try {
        backup::makeCopy(store_.DatabaseName(), backup::Kind::BeforeImport, QDateTime::currentDateTime());
    } catch (const Error &e) {
        copyFailure_ = e;
    }
    written.lots = store_.AddMany(lots, [&](qint64 done, qint64 total) {
        return report(copied + (1000 - copied) * done / std::max<qint64>(total, 1));
    });
    written.storedMeanwhile = lots.storedMeanwhile();
    written.sales = lots.saleCount();
    written.actions = lots.actionCount();
    return written;
}

QString LedgerImport::summary(const Written &written) const
{
    std::array<qsizetype, kRowStatusCount> left{};
    for (const CandidateLot &l : import_.lots())
        left[std::size_t(l.status)] += !l.chosen();
    const struct {
        RowStatus status;
        const char *one, *many;
    } kinds[] = {
        {RowStatus::Already, "was already in the ledger", "were already in the ledger"},
        {RowStatus::Twice, "was twice in the file", "were twice in the file"},
        {RowStatus::Check, "row whose figures disagree was left out", "rows whose figures disagree were left out"},
        {RowStatus::Cancelled, "purchase that the file cancels was left out",
         "purchases that the file cancels were left out"},
        {RowStatus::Deleted, "row whose lot was deleted from the ledger was left out",
         "rows whose lots were deleted from the ledger were left out"},
        {RowStatus::Sale, "sale was left out", "sales were left out"},
        {RowStatus::NotAPurchase, "row was not a purchase", "rows were not purchases"},
        {RowStatus::Refused, "row was refused", "rows were refused"},
        {RowStatus::Action, "company's action was left out", "company's actions were left out"},
    };
    QStringList parts{counted(written.lots, "lot imported", "lots imported")};
    if (written.sales > 0)
        parts << counted(written.sales, "sale recorded", "sales recorded");
    if (written.actions > 0)
        parts << counted(written.actions, "company's action recorded", "company's actions recorded");
    if (written.storedMeanwhile > 0)
        parts << counted(written.storedMeanwhile, "was stored by another program meanwhile",
                         "were stored by another program meanwhile");
    for (const auto &kind : kinds) {
        if (const qsizetype n = left[std::size_t(kind.status)])
            parts << counted(n, kind.one, kind.many);
    }
    return parts.join(QStringLiteral("; ")) + u'.' + copyNote();
}

QString LedgerImport::failure(const Error &e) const
{
    return failureText(Deed::Import, e) + copyNote();
}

QString LedgerImport::copyNote() const
{
    return copyFailure_ ? u' ' + failureText(Deed::CopyBeforeImport, *copyFailure_) : QString();
}

} // namespace tesmo
