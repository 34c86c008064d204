// Tesmo: a ledger of stock purchase lots kept in Tesmo.mdb in the current folder.
#include "CommandLine.h"
#include "platform/DesktopShell.h"
#include "platform/QtDialogs.h"
#include "platform/office/OfficeFiles.h"
#include "platform/office/PackingProcess.h"
#include "protect/Form1.h"
#include "sales/LedgerGains.h"

#include <QApplication>
#include <QDirIterator>
#include <QIcon>

int main(int argc, char *argv[])
{
    // Answered before any window system is needed, so that --help and
    // --version work on a terminal without a display, and the packing of a
    // workbook in a process of its own starts nothing else.
    if (const auto status = tesmo::answerCommandLine(
            argc, argv, {tesmo::office::kPackWorkbookArgument, &tesmo::office::packWorkbook}))
        return *status;

    QApplication app(argc, argv);
    // The figures for taxes that the ledger keeps for other tools follow every change.
    tesmo::keepGainsWith(tesmo::gainRowsOf);
    QApplication::setApplicationName(QStringLiteral("Tesmo"));
    // The desktop entry's name: desktops match the window to its menu entry and icon by it.
    const QString appId = QStringLiteral("io.github.tesmo.Tesmo");
    QApplication::setDesktopFileName(appId);
    // Every window's icon, in window lists and switchers, which read it from
    // the window: the icon theme's, so that a theme can restyle it, else the
    // sizes built into the program.
    QIcon builtIn;
    for (QDirIterator it(QStringLiteral(":/icon"), {QStringLiteral("*.png")}, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();)
        builtIn.addFile(it.next());
    QApplication::setWindowIcon(QIcon::fromTheme(appId, builtIn));
    // The program ends when its gate or its main window says so, not when a
    // box closes while no other window shows.
    QApplication::setQuitOnLastWindowClosed(false);

    tesmo::QtDialogs dialogs;
    tesmo::DesktopShell shell;
    tesmo::office::OfficeFiles office(shell);
    tesmo::Form1 form(tesmo::Platform{dialogs, shell, office});
    QObject::connect(&form, &tesmo::Form1::programEnds, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    form.start();
    return app.exec();
}
