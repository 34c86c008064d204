// Tesmo: a ledger of stock purchase lots kept in Tesmo.mdb in the current folder.
#include "mainwin/frmStocks.h"
#include "platform/DesktopShell.h"
#include "platform/QtDialogs.h"
#include "platform/office/OfficeFiles.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesmo"));

    tesmo::QtDialogs dialogs;
    tesmo::DesktopShell shell;
    tesmo::office::OfficeFiles office(shell);
    tesmo::frmStocks window(tesmo::Platform{dialogs, shell, office});
    window.open();
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    window.show();
    return app.exec();
}
