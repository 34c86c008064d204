// Tesmo: a ledger of stock purchase lots kept in Tesmo.mdb in the current folder.
#include "platform/DesktopShell.h"
#include "platform/QtDialogs.h"
#include "platform/office/OfficeFiles.h"
#include "protect/Form1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesmo"));
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
