// The office files when the disk fills up or the user cancels: a writer
// either hands the desktop a whole file or fails, handing over nothing and
// leaving no folder behind.
#include "export/DocumentExport.h"
#include "export/SpreadsheetExport.h"
#include "platform/office/OfficeFiles.h"
#include "support/FileSizeLimit.h"
#include "support/LedgerFolder.h"
#include "support/RandomLots.h"
#include "support/RecordingShell.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <zip.h>

using namespace tesmo;
using namespace tesmo::test;

namespace {

// Lots as a list shows them: name, ticker, date, ID, shares, price, net.
std::unique_ptr<LotTable> companies(int lots)
{
    auto list = std::make_unique<LotTable>();
    for (int i = 1; i <= lots; ++i)
        appendShown(*list, {QStringLiteral("Company number %1").arg(i), QStringLiteral("T%1").arg(i),
                            QStringLiteral("%1/%2/2003").arg(i % 12 + 1).arg(i % 28 + 1), QString::number(i),
                            QString::number(i * 10), QStringLiteral("%1.25").arg(i),
                            QStringLiteral("$%1.50").arg(i * 1000)});
    return list;
}

// The parts of a zip file, read with libzip, but for the one that holds the
// time the file was made; empty when it does not read back whole.
QMap<QString, QByteArray> zipParts(const QString &file)
{
    QMap<QString, QByteArray> parts;
    int error = 0;
    zip_t *zip = zip_open(QFile::encodeName(file).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!zip)
        return {};
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        const QString name = QString::fromUtf8(zip_get_name(zip, zip_uint64_t(i), 0));
        zip_file_t *part = zip_fopen_index(zip, zip_uint64_t(i), 0);
        if (!part) {
            parts.clear();
            break;
        }
        QByteArray bytes;
        char buffer[65536];
        zip_int64_t n;
        while ((n = zip_fread(part, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, qsizetype(n));
        zip_fclose(part);
        if (n < 0) {
            parts.clear();
            break;
        }
        if (name != QLatin1String("docProps/core.xml"))
            parts.insert(name, bytes);
    }
    zip_discard(zip);
    return parts;
}

QMap<QString, qsizetype> sizes(const QMap<QString, QByteArray> &parts)
{
    QMap<QString, qsizetype> sizes;
    for (auto i = parts.begin(); i != parts.end(); ++i)
        sizes.insert(i.key(), i.value().size());
    return sizes;
}

} // namespace

class OfficeFilesTest : public QObject {
    Q_OBJECT

private slots:
    // Under limits from far below the files' sizes to above them: each
    // export fails with nothing handed over and its folder gone, or hands
    // over a file whose every part reads back as without a limit.
    void aFullDiskFailsTheExportAndLeavesNothing()
    {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        qputenv("TMPDIR", temp.path().toUtf8());
        const auto list = companies(3000);
        using Writer = void (*)(const LotTable &, Office &, Progress *);

        for (const Writer writer : {Writer(&exportSpreadsheet), Writer(&exportDocument)}) {
            QMap<QString, QByteArray> whole;
            {
                RecordingShell shell;
                office::OfficeFiles office(shell);
                writer(*list, office, nullptr);
                QCOMPARE(shell.calls.size(), 1);
                whole = zipParts(shell.calls[0].section(u' ', 1));
                QVERIFY(!whole.isEmpty());
                QVERIFY(QDir(temp.path()).removeRecursively() && QDir().mkpath(temp.path()));
            }

            int failures = 0;
            bool handedOver = false;
            for (double limit = 16384; !handedOver; limit *= 1.3) {
                RecordingShell shell;
                office::OfficeFiles office(shell);
                bool exported;
                {
                    const FileSizeLimit full{rlim_t(limit)};
                    exported = errorOf([&] { writer(*list, office, nullptr); }) == 0;
                }
                const QStringList left = QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
                if (exported) {
                    QCOMPARE(shell.calls.size(), 1);
                    const auto parts = zipParts(shell.calls[0].section(u' ', 1));
                    QCOMPARE(sizes(parts), sizes(whole));
                    QVERIFY(parts == whole);
                    QCOMPARE(left.size(), 1);
                    handedOver = true;
                } else {
                    QCOMPARE(shell.calls, QStringList());
                    QCOMPARE(left, QStringList());
                    ++failures;
                }
                QVERIFY(QDir(temp.path()).removeRecursively() && QDir().mkpath(temp.path()));
            }
            QVERIFY(failures > 3);
        }
    }

    // A cancel while the rows are typed, while the file's rows are written,
    // while the workbook is packed, or once it is: nothing is handed over
    // and the private folder is gone. The packing is stopped, not waited
    // for: held for good (the file it packs into is a pipe that no one
    // reads), it ends at the cancel. Without a cancel, the progress is taken
    // away before the file is handed over.
    void aCancelledExportLeavesNoFile()
    {
        QTemporaryDir temp;
        qputenv("TMPDIR", temp.path().toUtf8());
        const auto list = companies(3000);
        using Writer = void (*)(const LotTable &, Office &, Progress *);
        struct HeldPacking : Progress {
            Progress *whole;
            QString temp;
            bool advance(qint64 done) override
            {
                for (const QString &folder : QDir(temp).entryList({"Tesmo-*"}, QDir::Dirs))
                    ::mkfifo(QFile::encodeName(temp + '/' + folder + "/Stocks.xlsx").constData(), 0600);
                return whole->advance(done);
            }
        };
        for (const Writer writer : {Writer(&exportSpreadsheet), Writer(&exportDocument)}) {
            for (const qint64 cancelAt : {200, 700, 750, 900}) {
                ScriptedDialogs dialogs;
                dialogs.cancelAt = cancelAt;
                const auto whole = dialogs.progress(QStringLiteral("Writing"), 1000);
                HeldPacking held;
                held.whole = whole.get();
                held.temp = temp.path();
                Progress *progress = cancelAt == 750 ? &held : whole.get();
                RecordingShell shell;
                office::OfficeFiles office(shell);
                QCOMPARE(errorOf([&] { writer(*list, office, progress); }), int(kErrUserCancelled));
                QCOMPARE(shell.calls, QStringList());
                QCOMPARE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
                QVERIFY(dialogs.progresses.front().done.last() >= cancelAt);
            }
        }
        // Not cancelled: the progress is gone before the desktop's program
        // starts, so that no Cancel is up that would do nothing.
        for (const Writer writer : {Writer(&exportSpreadsheet), Writer(&exportDocument)}) {
            ScriptedDialogs dialogs;
            const auto progress = dialogs.progress(QStringLiteral("Writing"), 1000);
            RecordingShell shell;
            bool finishedFirst = false;
            shell.whenCalled = [&] { finishedFirst = dialogs.progresses.front().finished; };
            office::OfficeFiles office(shell);
            writer(*list, office, progress.get());
            QCOMPARE(shell.calls.size(), 1);
            QVERIFY(finishedFirst);
        }
    }
};

QTEST_GUILESS_MAIN(OfficeFilesTest)
#include "tst_office_files.moc"
