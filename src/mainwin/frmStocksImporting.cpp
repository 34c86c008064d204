// Importing purchase lots from a broker's CSV file: the command that Ctrl+I,
// the master list's context menu and a file dropped on the window run, with
// the copy of the ledger made before an import.
#include "mainwin/frmStocks.h"

#include "import/ImportDialog.h"
#include "import/LotImport.h"
#include "mainwin/LotListView.h"
#include "store/Backup.h"
#include "store/LotReader.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>

namespace tesmo {

namespace {

// Keys of every lot the file holds, as stored.
StoredKeys storedKeys(const QString &databaseName, int lots)
{
    StoredKeys keys;
    keys.reserve(lots);
    readLotKeys(databaseName, [&](const LotRow &r) {
        keys.add(LotKey::ofUtf8(r.ticker, QDate::fromJulianDay(r.tradeDay), r.numShares, r.price, r.netAmount));
    });
    return keys;
}

// "1 row was" / "3 rows were".
QString counted(qsizetype n, const char *one, const char *many)
{
    return QString::number(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

// Why a write failed, as the user can act on it.
QString failure(const Error &e)
{
    return whyNotWritten(e, "import");
}

// Why a file gave no rows to import, as the end of a sentence.
QString unreadable(const LotImport &import)
{
    // "quantity column ("Quantity", "Shares", "Qty" or "Units")"
    const auto column = [](ImportField f) {
        QStringList names = import::headerNames(f);
        for (QString &n : names)
            n = u'"' + n + u'"';
        const QString last = names.takeLast();
        const char *what = f == ImportField::Ticker ? "ticker" : f == ImportField::Shares ? "quantity" : "date";
        return QStringLiteral("%1 column (%2 or %3)").arg(QLatin1String(what), names.join(QStringLiteral(", ")), last);
    };
    switch (import.problem()) {
    case ReadProblem::Empty:
        return QStringLiteral("the file is empty");
    case ReadProblem::NotText:
        return QStringLiteral("the file holds no text, as a broker's CSV file does (it may be an image, a workbook or "
                              "another program's file)");
    case ReadProblem::MissingColumns: {
        QStringList missing;
        for (const ImportField f : import.missingColumns())
            missing << column(f);
        return QStringLiteral("the headings on line %1 name no %2")
            .arg(import.headerLine())
            .arg(missing.join(QStringLiteral(" and no ")));
    }
    case ReadProblem::None:
    case ReadProblem::NoHeader:
        break;
    }
    return QStringLiteral("no line of it names its columns in words that Tesmo reads: a %1, a %2 and a %3")
        .arg(column(ImportField::Ticker), column(ImportField::Shares), column(ImportField::TradeDate));
}

} // namespace

bool frmStocks::ImportOffered() const
{
    const RecordStore &rs = *data1_;
    if (!rs.isOpen())
        return false;
    return rs.RecordCount() == 0 || (rs.EditMode() != kEditAdd && rs.AbsolutePosition() >= 0);
}

void frmStocks::ImportLots(const QString &strPath)
{
    if (!ImportOffered())
        return;
    command("Source : frmStocks ImportLots", [&] {
        RecordStore &rs = *data1_;
        if (rs.readOnly()) {
            dialogs_.message(QStringLiteral("No lots can be imported: the ledger file cannot be written here."),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
            return;
        }
        // Changes pending on the lot are handled as leaving it handles them;
        // a refusal by the field rules has shown its message and ends here.
        try {
            rs.Leave(kActAddNew);
        } catch (const Error &e) {
            if (e.number() == kErrCancelled)
                return;
            throw;
        }

        QString path = strPath;
        if (path.isEmpty()) {
            // Where brokers' files are saved, when that folder exists.
            if (importFolder_.isEmpty()) {
                importFolder_ = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
                if (!QFileInfo(importFolder_).isDir())
                    importFolder_ = QDir::homePath();
            }
            path = dialogs_.openFile(QStringLiteral("Import Lots from File"), importFolder_,
                                     QStringLiteral("CSV files (*.csv *.CSV *.txt *.TXT *.tsv);;All files (*)"));
            if (path.isEmpty())
                return;
        }
        importFolder_ = QFileInfo(path).absolutePath();

        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            dialogs_.message(QStringLiteral("The file %1 could not be opened: %2").arg(path, file.errorString()),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
            return;
        }
        LotImport import;
        {
            const WaitPointer wait(dialogs_);
            try {
                import = LotImport(storedKeys(rs.DatabaseName(), rs.RecordCount()));
            } catch (const Error &e) {
                dialogs_.message(QStringLiteral("No lots can be imported: %1.").arg(failure(e)),
                                 Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
                return;
            }
            try {
                const auto progress =
                    dialogs_.progress(QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName()), 1000);
                import.read(file, progress.get());
            } catch (const Error &e) {
                if (e.number() == kErrUserCancelled)
                    return;
                throw;
            }
        }
        if (!import.hasHeader()) {
            dialogs_.message(QStringLiteral("No lots can be imported from %1: %2.").arg(path, unreadable(import)),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            return;
        }
        ImportDialog preview(import, dialogs_, path, this);
        if (preview.exec() != QDialog::Accepted)
            return;
        std::vector<FieldTexts> lots;
        for (const qsizetype i : import.chosen())
            lots.push_back(import.texts(i));
        if (lots.empty())
            return;

        // A copy before the import writes; one that cannot be made is told
        // in the closing message and stops nothing.
        QString backupProblem;
        try {
            backup::makeCopy(rs.DatabaseName(), backup::Kind::BeforeImport, QDateTime::currentDateTime());
        } catch (const Error &e) {
            QString why = e.description();
            if (!why.endsWith(u'.'))
                why += u'.';
            backupProblem = QStringLiteral(" The ledger could not be copied to \"%1\" before the import: %2")
                                .arg(backup::kFolderName, why);
        }

        bool written = false;
        try {
            const WaitPointer wait(dialogs_);
            const auto progress = dialogs_.progress(QStringLiteral("Importing %1 lots...").arg(lots.size()),
                                                    qint64(lots.size()));
            written = rs.AddMany(lots, [&](qint64 done) { return progress->advance(done); });
        } catch (const Error &e) {
            dialogs_.message(QStringLiteral("No lots were imported: %1.").arg(failure(e)) + backupProblem,
                             Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
            return;
        }
        if (!written) {
            dialogs_.message(QStringLiteral("The import was cancelled; no lots were imported.") + backupProblem,
                             Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            return;
        }
        glbCurrRecord.reset();
        rs.setBookmark(rs.LastModified());
        HighlightLists();
        // The window shows the lots it now holds while the message is up.
        updateCommands();
        ListView1->scrollToSelectedRow();

        // One message says what happened, and what was left out.
        std::array<qsizetype, kRowStatusCount> left{};
        for (const CandidateLot &l : import.lots())
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
            {RowStatus::NotAPurchase, "row was not a purchase", "rows were not purchases"},
            {RowStatus::Refused, "row was refused", "rows were refused"},
        };
        QStringList parts{counted(qsizetype(lots.size()), "lot imported", "lots imported")};
        for (const auto &kind : kinds) {
            if (const qsizetype n = left[std::size_t(kind.status)])
                parts << counted(n, kind.one, kind.many);
        }
        dialogs_.message(parts.join(QStringLiteral("; ")) + u'.' + backupProblem, Dialogs::Buttons::Ok,
                         Dialogs::Icon::Information);
    });
}

QString frmStocks::DroppedFile(const QMimeData *mime) const
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !ImportOffered())
        return {};
    const QUrl url = mime->urls().constFirst();
    if (!url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix != QLatin1String("csv") && suffix != QLatin1String("txt") && suffix != QLatin1String("tsv"))
        return {};
    return path;
}

// A CSV file dragged over the window, or over one of its boxes (which would
// otherwise take its name as text), is taken for an import; the import runs
// once the drop is over, so that the program the file came from is not kept
// waiting by the preview.
bool frmStocks::ImportDrop(QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (DroppedFile(drag->mimeData()).isEmpty())
            return false;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = DroppedFile(drop->mimeData());
        if (path.isEmpty())
            return false;
        drop->acceptProposedAction();
        QMetaObject::invokeMethod(this, [this, path] { ImportLots(path); }, Qt::QueuedConnection);
        return true;
    }
    default:
        return false;
    }
}

void frmStocks::dragEnterEvent(QDragEnterEvent *event)
{
    if (!ImportDrop(event))
        QWidget::dragEnterEvent(event);
}

void frmStocks::dragMoveEvent(QDragMoveEvent *event)
{
    if (!ImportDrop(event))
        QWidget::dragMoveEvent(event);
}

void frmStocks::dropEvent(QDropEvent *event)
{
    if (!ImportDrop(event))
        QWidget::dropEvent(event);
}

} // namespace tesmo
