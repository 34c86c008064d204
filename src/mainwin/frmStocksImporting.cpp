// Importing purchase lots from a broker's CSV file: the command that Ctrl+I,
// the master list's context menu and a file dropped on the window run, in
// its steps (the file chosen, read and previewed, the chosen rows written
// after a copy of the ledger, the closing message), and the drop of a file.
#include "mainwin/frmStocks.h"

#include "import/ImportDialog.h"
#include "mainwin/ChosenLots.h"
#include "mainwin/ImportedSales.h"
#include "mainwin/LotListView.h"
#include "store/Backup.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <QUrl>
#include <optional>

namespace tesmo {

namespace {

// "1 row was" / "3 rows were".
QString counted(qsizetype n, const char *one, const char *many)
{
    return QString::number(n) + u' ' + QString::fromUtf8(n == 1 ? one : many);
}

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

// The file to import: the one given, else the one the user chooses, starting
// in folder (where brokers' files are saved, then the folder of the last
// import); empty when the user cancels.
QString chooseFile(Dialogs &dialogs, const QString &given, QString &folder)
{
    QString path = given;
    if (path.isEmpty()) {
        if (folder.isEmpty()) {
            folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
            if (!QFileInfo(folder).isDir())
                folder = QDir::homePath();
        }
        path = dialogs.openFile(QStringLiteral("Import Lots from File"), folder,
                                QStringLiteral("CSV files (*.csv *.CSV *.txt *.TXT *.tsv);;All files (*)"));
        if (path.isEmpty())
            return {};
    }
    folder = QFileInfo(path).absolutePath();
    return path;
}

// The file read against the lots of the ledger, and the rows the user chose
// in the preview.
struct Preview {
    LotImport import;
    std::uint64_t version = 0;   // the ledger's, as its lots were read
};

// Reads the file and shows its rows in the preview; nothing when the file
// gives no rows (a message says why), or the user cancels. Raises Error 3113
// when the file cannot be read.
std::optional<Preview> previewFile(Dialogs &dialogs, RecordStore &rs, const QString &path, QWidget *window)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        dialogs.message(QStringLiteral("The file %1 could not be opened: %2").arg(path, file.errorString()),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
        return std::nullopt;
    }
    Preview p;
    {
        const WaitPointer wait(dialogs);
        try {
            p.version = rs.ledgerVersion();
            p.import = LotImport(storedKeys(rs.DatabaseName(), rs.RecordCount()), storedSales(rs.DatabaseName()),
                                 rememberedLayouts(rs.DatabaseName()));
            p.import.setSaleMatcher(saleMatcher(rs.rows()));
        } catch (const Error &e) {
            dialogs.message(QStringLiteral("No lots can be imported: %1.").arg(whyNotWritten(e, "import")),
                            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
            return std::nullopt;
        }
        try {
            const auto progress = dialogs.progress(QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName()), 1000);
            p.import.read(file, progress.get());
        } catch (const Error &e) {
            if (e.number() == kErrUserCancelled)
                return std::nullopt;
            throw;
        }
    }
    if (!p.import.hasHeader()) {
        dialogs.message(QStringLiteral("No lots can be imported from %1: %2.").arg(path, unreadable(p.import)),
                        Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        return std::nullopt;
    }
    {
        // Gone before the import it shows moves on.
        ImportDialog preview(p.import, dialogs, path, window);
        if (preview.exec() != QDialog::Accepted)
            return std::nullopt;
    }
    if (p.import.chosenCount() == 0)
        return std::nullopt;
    return p;
}

// What a write did: the lots written, the new rows left out because another
// program stored them meanwhile, and the sales recorded.
struct Written {
    qsizetype lots = 0;
    qsizetype storedMeanwhile = 0;
    qsizetype sales = 0;
};

// Copies the ledger, then writes the chosen rows in one transaction, under
// one progress: the copy counts as about a 25th of a lot written for each lot
// it copies. A copy that cannot be made stops nothing: backupProblem says
// why, as a sentence with a blank before it. Raises Error as
// RecordStore::AddMany does.
Written writeLots(Dialogs &dialogs, RecordStore &rs, const Preview &preview, QString &backupProblem)
{
    ChosenLots lots(preview.import, preview.version);
    const WaitPointer wait(dialogs);
    const QString sales = lots.saleCount() == 0 ? QString() : QStringLiteral(" and ") + counted(lots.saleCount(), "sale", "sales");
    const auto progress = dialogs.progress(QStringLiteral("Importing %1 lots%2...").arg(lots.count()).arg(sales), 1000);
    const qint64 copied = 1000 * qint64(rs.RecordCount()) / (qint64(rs.RecordCount()) + 25 * lots.count());

    try {
        backup::makeCopy(rs.DatabaseName(), backup::Kind::BeforeImport, QDateTime::currentDateTime());
    } catch (const Error &e) {
        QString why = e.description();
        if (!why.endsWith(u'.'))
            why += u'.';
        backupProblem = QStringLiteral(" The ledger could not be copied to \"%1\" before the import: %2")
                            .arg(backup::kFolderName, why);
    }
    Written written;
    written.lots = rs.AddMany(lots, [&](qint64 done, qint64 total) {
        return progress->advance(copied + (1000 - copied) * done / std::max<qint64>(total, 1));
    });
    written.storedMeanwhile = lots.storedMeanwhile();
    written.sales = lots.saleCount();
    return written;
}

// The closing message: what was imported, and what was left out and why.
QString closingMessage(const LotImport &import, const Written &written)
{
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
        {RowStatus::Deleted, "row whose lot was deleted from the ledger was left out",
         "rows whose lots were deleted from the ledger were left out"},
        {RowStatus::Sale, "sale was left out", "sales were left out"},
        {RowStatus::NotAPurchase, "row was not a purchase", "rows were not purchases"},
        {RowStatus::Refused, "row was refused", "rows were refused"},
    };
    QStringList parts{counted(written.lots, "lot imported", "lots imported")};
    if (written.sales > 0)
        parts << counted(written.sales, "sale recorded", "sales recorded");
    if (written.storedMeanwhile > 0)
        parts << counted(written.storedMeanwhile, "was stored by another program meanwhile",
                         "were stored by another program meanwhile");
    for (const auto &kind : kinds) {
        if (const qsizetype n = left[std::size_t(kind.status)])
            parts << counted(n, kind.one, kind.many);
    }
    return parts.join(QStringLiteral("; ")) + u'.';
}

} // namespace

bool frmStocks::ImportOffered() const
{
    const RecordStore &rs = *data1_;
    if (!rs.isOpen())
        return false;
    return rs.RecordCount() == 0 || (rs.EditMode() != kEditAdd && rs.AbsolutePosition() >= 0);
}

// The import in its steps: the file chosen, read and previewed, the chosen
// rows written, and one message on what was done.
void frmStocks::ImportLots(const QString &strPath)
{
    if (!ImportOffered())
        return;
    command("Source : frmStocks ImportLots", [&] {
        RecordStore &rs = *data1_;
        if (!readyToWrite(QStringLiteral("No lots can be imported: the ledger file cannot be written here.")))
            return;
        const QString path = chooseFile(dialogs_, strPath, importFolder_);
        if (path.isEmpty())
            return;
        const std::optional<Preview> preview = previewFile(dialogs_, rs, path, this);
        if (!preview)
            return;

        Written written;
        QString backupProblem;
        const Bookmark lastBefore = rs.LastModified();
        try {
            written = writeLots(dialogs_, rs, *preview, backupProblem);
        } catch (const Error &e) {
            if (e.number() == kErrUserCancelled)
                dialogs_.message(QStringLiteral("The import was cancelled; no lots were imported.") + backupProblem,
                                 Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            else
                dialogs_.message(QStringLiteral("No lots were imported: %1.").arg(whyNotWritten(e, "import"))
                                     + backupProblem,
                                 Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
            return;
        }
        if (written.lots > 0 || written.sales > 0) {
            glbCurrRecord.reset();
            // The last lot imported becomes current, if a sale left it;
            // else a current lot sold whole gives way to its neighbour.
            if (rs.LastModified() != lastBefore && rs.rows().rowOf(*rs.LastModified()))
                rs.setBookmark(rs.LastModified());
            else if (!rs.current() && rs.RecordCount() > 0)
                rs.MoveNext();
            if (!rs.current() && rs.RecordCount() > 0)
                rs.MoveLast();
            HighlightLists();
            // The window shows the lots it now holds while the message is up.
            updateCommands();
            ListView1->scrollToSelectedRow();
        }
        dialogs_.message(closingMessage(preview->import, written) + backupProblem, Dialogs::Buttons::Ok,
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
