// The help command with each combination of present and missing instruction
// files in the current folder (not the program's), through a recording desktop.
#include "help/Instructions.h"
#include "support/LedgerFolder.h"
#include "support/RecordingShell.h"
#include "support/ScriptedDialogs.h"

using namespace tesmo;
using namespace tesmo::test;

class HelpTest : public QObject {
    Q_OBJECT

private slots:
    void theInstructionsOpenInTheirOrder()
    {
        const struct {
            QStringList files;   // present in the current folder
            int openAnswer;
            QString calls, message;
        } cases[] = {
            {{"instr.HTML", "instr.txt"}, Shell::kOpened, "open instr.HTML", ""},
            {{"instr.txt"}, Shell::kOpened, "open instr.HTML|view instr.txt", ""},
            {{}, Shell::kOpened, "open instr.HTML|view instr.txt", "Help File Not Found"},
            {{"instr.HTML", "instr.txt"}, Shell::kNoAssociation, "open instr.HTML", ""},   // no program for pages
        };
        for (const auto &c : cases) {
            const LedgerFolder current({}, false);   // the current folder while it lives
            for (const QString &name : c.files)
                QVERIFY(QFile(name).open(QIODevice::WriteOnly));
            RecordingShell shell;
            shell.openAnswer = c.openAnswer;
            ScriptedDialogs dialogs;
            openInstructions(shell, dialogs);
            QCOMPARE(shell.calls.join('|'), c.calls);
            const auto boxes = dialogs.takeBoxes();
            QCOMPARE(boxes.isEmpty() ? QString() : boxes[0].text, c.message);
            QVERIFY(boxes.isEmpty() || boxes[0].icon == Dialogs::Icon::Information);
        }
    }
};

QTEST_GUILESS_MAIN(HelpTest)
#include "tst_help.moc"
