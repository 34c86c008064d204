// Importing lots from a broker's CSV file (Ctrl+I, the master list's context
// menu, a file dropped on the window): the file asked for, the preview shown,
// the rows chosen written by the import below the window, and one message on
// what it did.
#include "mainwin/LedgerCommands.h"

#include "import/LedgerImport.h"
#include "import/window/ImportDialog.h"
#include "text/Regional.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMimeData>
#include <QShortcut>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

namespace tesmo {

namespace {

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

// "Importing 3 lots and 1 sale...".
QString importingLabel(const LotImport &rows)
{
    qsizetype lots = 0, sales = 0;
    for (const qsizetype i : rows.chosen())
        ++(rows.lots()[std::size_t(i)].sale ? sales : lots);
    const QString sold = sales == 0 ? QString() : QStringLiteral(" and ") + regional::counted(sales, "sale", "sales");
    return QStringLiteral("Importing %1%2...").arg(regional::counted(lots, "lot", "lots"), sold);
}

} // namespace

void LedgerCommands::importLots(const QString &given)
{
    if (!importOffered())
        return;
    Dialogs &dialogs = platform_.dialogs;
    window_.run("Source : frmStocks ImportLots", Deed::ReadImport, [&] {
        LedgerImport import(store_);
        const QString path = chooseFile(dialogs, given, importFolder_);
        if (path.isEmpty())
            return;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(kErrCannotRead, QStringLiteral("The file %1 could not be opened: %2").arg(path, file.errorString()));
        try {
            const WaitPointer wait(dialogs);
            const auto progress = dialogs.progress(QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName()), 1000);
            import.read(file, path, progress.get());
        } catch (const Error &e) {
            if (e.number() == kErrUserCancelled)
                return;
            throw;
        }
        {
            // Gone before the import it shows moves on.
            ImportDialog preview(import.rows(), dialogs, path, window_.widget);
            if (preview.exec() != QDialog::Accepted)
                return;
        }
        if (import.rows().chosenCount() == 0)
            return;

        const Bookmark lastBefore = store_.LastModified();
        LedgerImport::Written written;
        try {
            const WaitPointer wait(dialogs);
            const auto progress = dialogs.progress(importingLabel(import.rows()), 1000);
            written = import.write([&](qint64 done, qint64) { return progress->advance(done); });
        } catch (const Error &e) {
            dialogs.message(import.failure(e), Dialogs::Buttons::Ok,
                            isQuietFailure(e) ? Dialogs::Icon::Information : Dialogs::Icon::Exclamation);
            return;
        }
        if (written.lots > 0 || written.sales > 0 || written.actions > 0) {
            // The last lot imported becomes current, if a sale left it;
            // else a current lot sold whole gives way to its neighbour.
            if (store_.LastModified() != lastBefore && store_.rows().rowOf(*store_.LastModified()))
                store_.setBookmark(store_.LastModified());
            else if (!store_.current() && store_.RecordCount() > 0)
                store_.MoveNext();
            if (!store_.current() && store_.RecordCount() > 0)
                store_.MoveLast();
            window_.showLots();
        }
        dialogs.message(import.summary(written), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
    });
}

QString LedgerCommands::droppedFile(const QMimeData *mime) const
{
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1 || !importOffered())
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
bool LedgerCommands::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (droppedFile(drag->mimeData()).isEmpty())
            break;
        drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QString path = droppedFile(drop->mimeData());
        if (path.isEmpty())
            break;
        drop->acceptProposedAction();
        QMetaObject::invokeMethod(this, [this, path] { importLots(path); }, Qt::QueuedConnection);
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void LedgerCommands::attach()
{
    QWidget *window = window_.widget;
    const std::pair<Qt::Key, void (LedgerCommands::*)()> keys[] = {
        {Qt::Key_I, &LedgerCommands::importLotsChosen},
        {Qt::Key_L, &LedgerCommands::sellShares},
        {Qt::Key_K, &LedgerCommands::corporateAction},
        {Qt::Key_G, &LedgerCommands::holdingsAndGains},
    };
    for (const auto &[key, run] : keys) {
        auto *shortcut = new QShortcut(QKeySequence(Qt::CTRL | key), window);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, run);
    }
    // A CSV file dropped anywhere on the window, its boxes included.
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    for (QLineEdit *box : window->findChildren<QLineEdit *>())
        box->installEventFilter(this);
}

} // namespace tesmo
