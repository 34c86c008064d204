// The main window's export: the writer it picks, the text file on the desktop with its overwrite
// question, the messages when a writer fails, the pointer back to normal every time.
#include "support/FileSizeLimit.h"
#include "support/MainWindow.h"
#include "text/Regional.h"

#include <QComboBox>
#include <QRadioButton>

using namespace tesmo;
using namespace tesmo::test;

static QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ExportingTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> desktop_;

    // Exports as the user does; the pointer's history starts anew.
    void exportAs(MainWindow &w, const QString &kind, bool selected = false)
    {
        w.dialogs.pointer.clear();
        w.find<QComboBox>("cmbExport")->setEditText(kind);
        w.find<QRadioButton>(selected ? "OptionSelected" : "OptionAll")->setChecked(true);
        w.click("cmdExport");
    }
    QString textFile() const
    {
        return desktop_->path() + "/Tesmo_" + regional::shortDate(QDate::currentDate()).replace('/', '_') + ".txt";
    }

private slots:
    void init() { desktop_ = std::make_unique<QTemporaryDir>(); }

    void aTextExportOfAllThenOfTheSelectedAsksBeforeReplacing()
    {
        MainWindow w(numberedLots(3));
        w.shell.desktop = desktop_->path();
        exportAs(w, "Text File");
        QCOMPARE(w.shell.calls, QStringList{"view " + textFile()});
        QCOMPARE(contents(textFile()).count("\r\n"), 5);
        QVERIFY(contents(textFile()).contains("\r\nLot 3            | T3    | 100              | $10.0000    | "
                                              "$3,000.00          | 1/15/2003\r\n"));
        QCOMPARE(w.dialogs.pointer, QList<bool>({true, false}));

        w.select(2);
        w.dialogs.answerNext(Dialogs::Answer::No);
        exportAs(w, "Text File", true);
        const QList<ScriptedDialogs::Box> boxes = w.dialogs.takeBoxes();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].text, "The file: " + textFile() + " already exists. Do you want to overwrite the existing file?");
        QCOMPARE(boxes[1].text, QStringLiteral("Aborting action. Please rename the existing file and try again."));
        QCOMPARE(boxes[0].buttons, Dialogs::Buttons::YesNo);
        QVERIFY(boxes[0].icon == Dialogs::Icon::Information && boxes[1].icon == Dialogs::Icon::Information);
        QCOMPARE(contents(textFile()).count("\r\n"), 5);
        QCOMPARE(w.shell.calls.size(), 1);
        QVERIFY(!w.dialogs.waiting);

        w.dialogs.answerNext(Dialogs::Answer::Yes);
        exportAs(w, "Text File", true);
        QCOMPARE(w.dialogs.takeBoxes().size(), 1);
        QCOMPARE(contents(textFile()).count("\r\n"), 3);
        QVERIFY(contents(textFile()).contains("\r\nLot 2 "));
        QCOMPARE(w.shell.calls.size(), 2);
        QVERIFY(!w.dialogs.waiting);
    }

    // A text file that cannot be written or shown: the error trap's
    // message, nothing handed to the viewer, and on a full disk or Cancel the
    // earlier file of the day keeps every byte.
    void aTextExportThatFailsSaysWhyAndKeepsTheEarlierFile()
    {
        MainWindow w(numberedLots(3));
        const QString name = QFileInfo(textFile()).fileName();
        exportAs(w, "Text File");
        QCOMPARE(w.dialogs.takeTexts(), QStringList{"3110 - The desktop has no folder for files, so the file was "
                                                    "not written. - Source: ToTextFile"});
        QVERIFY(!QFileInfo::exists("/" + name));
        QVERIFY(!QFileInfo::exists(name));
        QVERIFY(w.shell.calls.isEmpty());

        w.shell.desktop = desktop_->path();
        exportAs(w, "Text File");
        const QByteArray earlier = contents(textFile());
        QCOMPARE(earlier.count("\r\n"), 5);
        w.shell.calls.clear();
        {
            const FileSizeLimit full(300);
            w.dialogs.answerNext(Dialogs::Answer::Yes);
            exportAs(w, "Text File");
        }
        const QString full = w.dialogs.takeTexts().value(1);   // after the overwrite question
        QVERIFY2(full.startsWith("3109 - The file ") && full.endsWith(" - Source: ToTextFile")
                     && !full.contains("Unknown error"), qPrintable(full));
        QCOMPARE(contents(textFile()), earlier);
        QCOMPARE(QDir(desktop_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
        QVERIFY(w.shell.calls.isEmpty());
        QCOMPARE(w.dialogs.pointer, QList<bool>({true, false}));
        w.dialogs.answerNext(Dialogs::Answer::Yes);   // Cancel in the progress: the same, and no message
        w.dialogs.cancelAt = 0;
        exportAs(w, "Text File");
        QCOMPARE(w.dialogs.takeTexts().size(), 1);
        QCOMPARE(contents(textFile()), earlier);
        QCOMPARE(QDir(desktop_->path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
        QVERIFY(w.shell.calls.isEmpty());

        w.shell.viewerFails = true;
        w.select(1);
        w.dialogs.answerNext(Dialogs::Answer::Yes);
        exportAs(w, "Text File", true);
        QCOMPARE(w.dialogs.takeTexts().value(1), QStringLiteral("75 - The desktop has no program to open this file "
                                                                "with - Source: ToTextFile1"));
        QCOMPARE(contents(textFile()).count("\r\n"), 3);
        QCOMPARE(w.dialogs.pointer, QList<bool>({true, false}));
    }

    void theOfficeWritersReadTheChosenListAndShowOnlyTheirMessage()
    {
        MainWindow w(numberedLots(3));
        w.select(2);
        exportAs(w, "Spreadsheet", true);
        QVERIFY(w.office.calls.contains("Cells(2, 1) = \"Lot 2\""));
        QVERIFY(!w.office.calls.join('\n').contains("Cells(3, "));
        exportAs(w, "Word Document");
        QCOMPARE(w.office.calls.filter("InsertRowsBelow").size(), 3);
        QCOMPARE(w.dialogs.shown(), 0);

        for (const auto &[kind, made, instead, icon] :
             {std::tuple{"Spreadsheet", "a spreadsheet", "a document", Dialogs::Icon::None},
              std::tuple{"Word Document", "a Word Document", "a spreadsheet", Dialogs::Icon::Information}}) {
            // A file that could not be written tells why.
            for (const int step : {0, 5, 20, -20}) {
                w.office.calls.clear();
                w.office.failAt = std::abs(step);
                w.office.failure = step < 0 ? Error(kErrCannotWrite, "The disk is full") : Error(kErrCannotStart);
                exportAs(w, kind);
                const QList<ScriptedDialogs::Box> boxes = w.dialogs.takeBoxes();
                QCOMPARE(boxes.size(), 1);
                QCOMPARE(boxes[0].text, QStringLiteral("Tesmo could not create %1 on your computer. Try exporting to %2 or "
                                                       "text file instead.%3")
                                            .arg(made, instead, step < 0 ? " The disk is full." : ""));
                QVERIFY(boxes[0].icon == icon && boxes[0].buttons == Dialogs::Buttons::Ok);
                QCOMPARE(w.dialogs.pointer, QList<bool>({true, false}));
            }
        }
    }

};

QTEST_MAIN(ExportingTest)
#include "tst_exporting.moc"
