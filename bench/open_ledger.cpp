// Measures the main window on a large ledger: opening it (reading every lot,
// the keyset, the first current lot) and the commands that touch the lists.
// Prints figures; asserts nothing.
//
//   open_ledger [LOTS]     (default 1000000; the ledger is made in a temporary folder)
#include "mainwin/frmStocks.h"
#include "platform/DesktopShell.h"
#include "platform/office/OfficeFiles.h"
#include "BenchLedger.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <sys/resource.h>

namespace {

using bench::millis;

long peakKilobytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int lots = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    const double fill = bench::makeLedger(dir, lots);
    std::printf("lots                      %d\n", lots);
    std::printf("make ledger (not the app) %.0f ms\n", fill);

    bench::SilentDialogs dialogs;
    tesmo::DesktopShell shell;
    tesmo::office::OfficeFiles office(shell);
    const long before = peakKilobytes();
    std::unique_ptr<tesmo::frmStocks> w;
    std::printf("open window               %.1f ms\n", millis([&] {
                    w = std::make_unique<tesmo::frmStocks>(tesmo::Platform{dialogs, shell, office});
                    w->open();
                }));
    std::printf("show window               %.1f ms\n", millis([&] {
                    w->show();
                    QApplication::processEvents();
                }));
    std::printf("peak memory growth        %ld MB\n", (peakKilobytes() - before) / 1024);
    const auto box = [&](const char *name) { return w->findChild<QLineEdit *>(QString::fromLatin1(name)); };
    const auto click = [&](const char *name) { w->findChild<QPushButton *>(QString::fromLatin1(name))->click(); };
    std::printf("current lot               %s of %s\n", qPrintable(box("txtRecNum")->text()),
                qPrintable(box("txtCount")->text()));
    std::printf("next                      %.3f ms\n", millis([&] { click("cmdNext"); }));
    std::printf("previous                  %.3f ms\n", millis([&] { click("cmdPrev"); }));
    std::printf("find ticker T77           %.3f ms\n", millis([&] { click("cmdFind"); }));
    std::printf("select                    %.3f ms\n", millis([&] { click("cmdSelect"); }));
    std::printf("change and save           %.3f ms\n", millis([&] {
                    box("txtFields(1)")->setText(QStringLiteral("Renamed"));
                    click("cmdSave");
                }));
    std::printf("delete                    %.3f ms\n", millis([&] { click("cmdDelete"); }));
    std::printf("new and save              %.3f ms\n", millis([&] {
                    click("cmdAdd");
                    box("txtFields(2)")->setText(QStringLiteral("NEW"));
                    box("txtFields(3)")->setText(QStringLiteral("1"));
                    box("txtFields(6)")->setText(QStringLiteral("1/1/2020"));
                    click("cmdSave");
                }));
    std::printf("now                       %s of %s\n", qPrintable(box("txtRecNum")->text()),
                qPrintable(box("txtCount")->text()));
    std::printf("close                     %.1f ms\n", millis([&] { w->close(); }));
    return 0;
}
