// The program's first window, and the dialog that sets the password. At
// start-up it shows only a small captioned frame, asks for the password when
// the ledger is protected, and builds the main window only when the right
// one is given. Later the main window asks for it as a modeless dialog in
// which the user switches protection on or off and sets the password; the
// setting takes effect at the next start.
#pragma once

#include "platform/Platform.h"
#include "store/OptionsRecord.h"

#include <QWidget>
#include <memory>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tesmo {

class frmStocks;

class Form1 : public QWidget {
    Q_OBJECT
public:
    explicit Form1(Platform platform, QWidget *parent = nullptr);
    ~Form1() override;

    // Shows the start-up frame; the password gate runs as soon as the event
    // loop does.
    void start();

signals:
    // The program is to end: no password was given, the gate failed, or the
    // main window was closed.
    void programEnds();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void Form_Activate();
    void openMainWindow();
    void refuse();
    // Tells the user that a password holds at most kPasswordLength characters.
    void tellPasswordLimit();
    void cmdOptions_Click();
    void OKButton_Click();
    void CancelButton_Click();
    // Shows a setting in the check box and the password box.
    void showSetting(const ProtectionSetting &setting);
    bool trap(const char *sourceTag, const std::function<void()> &body);

    Platform platform_;
    OptionsRecord options_;
    std::unique_ptr<frmStocks> main_;
    QCheckBox *chkProtection = nullptr;
    QLineEdit *txtPassword = nullptr;
    QPushButton *CancelButton = nullptr;
};

} // namespace tesmo
