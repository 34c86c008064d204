// The help command with each combination of present and missing instruction
// files in the current folder, through a recording desktop.
#include "help/Instructions.h"
#include "support/RecordingShell.h"
#include "support/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tesmo;
using namespace tesmo::test;

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void theInstructionsOpenInTheirOrder_data()
    {
        QTest::addColumn<QStringList>("files");   // present in the current folder
        QTest::addColumn<int>("openAnswer");
        QTest::addColumn<QString>("calls");
        QTest::addColumn<QString>("message");
        QTest::newRow("page present") << QStringList{"instr.HTML", "instr.txt"} << int(Shell::kOpened)
                                      << "open instr.HTML" << "";
        QTest::newRow("page missing, text present") << QStringList{"instr.txt"} << int(Shell::kOpened)
                                                    << "open instr.HTML|view instr.txt" << "";
        QTest::newRow("both missing") << QStringList{} << int(Shell::kOpened) << "open instr.HTML|view instr.txt"
                                      << "Help File Not Found";
        QTest::newRow("no program for pages") << QStringList{"instr.HTML", "instr.txt"}
                                              << int(Shell::kNoAssociation) << "open instr.HTML" << "";
    }
    void theInstructionsOpenInTheirOrder()
    {
        QFETCH(QStringList, files);
        QFETCH(int, openAnswer);
        QFETCH(QString, calls);
        QFETCH(QString, message);
        // The current folder, not the program's, is where they are looked for.
        QTemporaryDir current;
        for (const QString &name : files) {
            QFile f(current.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        const QString before = QDir::currentPath();
        QDir::setCurrent(current.path());
        RecordingShell shell;
        shell.openAnswer = openAnswer;
        ScriptedDialogs dialogs;
        openInstructions(shell, dialogs);
        QDir::setCurrent(before);
        QCOMPARE(shell.calls.join('|'), calls);
        const auto boxes = dialogs.takeBoxes();
        QCOMPARE(boxes.isEmpty() ? QString() : boxes[0].text, message);
        if (!boxes.isEmpty())
            QCOMPARE(boxes[0].icon, Dialogs::Icon::Information);
    }
};

QTEST_GUILESS_MAIN(HelpTest)
#include "tst_help.moc"
