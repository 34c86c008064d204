// The export command and its six writers: the text file on the desktop, the
// spreadsheet and the document, each for the master list or the selection.
#include "mainwin/frmStocks.h"

#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "export/TextExport.h"
#include "platform/ErrorTrap.h"
#include "text/Regional.h"
#include "text/WholeFile.h"

#include <QComboBox>
#include <QFileInfo>
#include <QRadioButton>

namespace tesmo {

// Runs the writer whose kind the combo box's text names exactly; any other
// text does nothing.
void frmStocks::cmdExport_Click()
{
    trap("Source : frmStocks cmdExport_Click", [this] {
        const QString kind = cmbExport->currentText();
        using Writer = void (frmStocks::*)();
        const struct {
            const char *kind;
            Writer all, selected;
        } writers[] = {
            {"Spreadsheet", &frmStocks::CreateSpreadsheet, &frmStocks::CreateSpreadsheet1},
            {"Word Document", &frmStocks::CreateDocument, &frmStocks::CreateDocument1},
            {"Text File", &frmStocks::ToTextFile, &frmStocks::ToTextFile1},
        };
        for (const bool all : {true, false}) {
            if (!(all ? OptionAll : OptionSelected)->isChecked())
                continue;
            for (const auto &w : writers) {
                if (kind == QLatin1String(w.kind)) {
                    (this->*(all ? w.all : w.selected))();
                    break;
                }
            }
        }
    });
}

void frmStocks::ToTextFile()
{
    textFile(data1_->rows(), "Source: ToTextFile");
}

void frmStocks::ToTextFile1()
{
    LotTable picked;
    textFile(selectedRows_->lots(picked), "Source: ToTextFile1");
}

void frmStocks::CreateSpreadsheet()
{
    spreadsheet(data1_->rows());
}

void frmStocks::CreateSpreadsheet1()
{
    LotTable picked;
    spreadsheet(selectedRows_->lots(picked));
}

void frmStocks::CreateDocument()
{
    document(data1_->rows());
}

void frmStocks::CreateDocument1()
{
    LotTable picked;
    document(selectedRows_->lots(picked));
}

// Writes the list to Tesmo_<date>.txt on the desktop, after asking before
// replacing a file of that name, and opens it in the text viewer. The file
// is replaced only once it is complete: a failed export leaves an earlier
// file as it was. Without a desktop folder nothing is written.
void frmStocks::textFile(const LotTable &lots, const char *sourceTag)
{
    const WaitPointer wait(dialogs_);
    trap(sourceTag, [&] {
        const QString folder = platform_.shell.desktopFolder();
        if (folder.isEmpty())
            throw Error(kErrNoDesktopFolder);
        const QString path = folder + u'/' + textExportFileName(QDate::currentDate());
        if (QFileInfo::exists(path)) {
            const auto answer = dialogs_.message(
                QStringLiteral("The file: ") + path
                    + QStringLiteral(" already exists. Do you want to overwrite the existing file?"),
                Dialogs::Buttons::YesNo, Dialogs::Icon::Information);
            if (answer != Dialogs::Answer::Yes) {
                dialogs_.message(QStringLiteral("Aborting action. Please rename the existing file and try again."),
                                 Dialogs::Buttons::Ok, Dialogs::Icon::Information);
                return;
            }
        }
        // A cancel leaves the earlier file as it was: the new one is dropped.
        const auto progress = dialogs_.progress(QStringLiteral("Writing the text file ..."), 1000);
        try {
            saveWhole(path, [&](QIODevice &file) { writeTextExport(lots, file, progress.get()); });
        } catch (const Error &e) {
            if (e.number() == kErrUserCancelled)
                return;
            throw;
        }
        progress->finish();
        if (!platform_.shell.startViewer(path))
            throw Error(kErrFileNotFound);
    });
}

void frmStocks::officeExport(const LotTable &lots, const OfficeWriter &writer)
{
    const WaitPointer wait(dialogs_);
    try {
        const auto progress = dialogs_.progress(QString::fromUtf8(writer.progress), 1000);
        writer.write(lots, platform_.office, progress.get());
    } catch (...) {
        // The writer's sentence; a file that could not be written (a full
        // disk) adds why, which another kind of export would meet as well.
        const Error e = describeError(std::current_exception());
        if (e.number() != kErrUserCancelled)
            dialogs_.message(QString::fromUtf8(writer.failed)
                                 + (e.number() == kErrCannotWrite ? u' ' + reasonText(e) : QString()),
                             Dialogs::Buttons::Ok, writer.icon);
    }
}

void frmStocks::spreadsheet(const LotTable &lots)
{
    officeExport(lots, {exportSpreadsheet, "Writing the workbook ...",
                        "Tesmo could not create a spreadsheet on your computer. Try exporting to a document or text "
                        "file instead.",
                        Dialogs::Icon::None});
}

void frmStocks::document(const LotTable &lots)
{
    officeExport(lots, {exportDocument, "Writing the document ...",
                        "Tesmo could not create a Word Document on your computer. Try exporting to a spreadsheet or "
                        "text file instead.",
                        Dialogs::Icon::Information});
}

} // namespace tesmo
