// The stock split dialog: asks for a ratio From for To and rescales the main
// window's current lot: shares times From / To, price divided by it. It only
// changes the edit boxes; Save stores the lot.
#pragma once

#include "platform/Dialogs.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tesmo {

class frmStocks;

class Split : public QWidget {
    Q_OBJECT
public:
    Split(frmStocks &main, Dialogs &dialogs, QWidget *parent = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtFrom = nullptr;
    QLineEdit *txtTo = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;

    void OKButton_Click();
    void CancelButton_Click();

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Activate();

    frmStocks &main_;
    Dialogs &dialogs_;
};

} // namespace tesmo
