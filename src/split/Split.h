// The stock split dialog: asks for a ratio From for To and hands it to the
// window that opened it, which rescales its current lot: shares times
// From / To, price divided by it. The dialog writes nothing itself.
#pragma once

#include "platform/Dialogs.h"

#include <QWidget>
#include <functional>

class QLineEdit;
class QWindow;

namespace tesmo {

class Split : public QWidget {
    Q_OBJECT
public:
    // Applies a valid ratio to the lot. Raises 3103 when the result does not
    // fit the lot's fields (the dialog then says "Invalid Entry" and stays
    // open); any other Error it raises is shown with the dialog's source tag,
    // and the dialog stays open too.
    using Apply = std::function<void(double ratio)>;

    Split(Dialogs &dialogs, Apply apply, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Activate();
    void windowActivated(QWindow *now);
    void OKButton_Click();
    void CancelButton_Click();

    Dialogs &dialogs_;
    Apply apply_;
    QLineEdit *txtFrom = nullptr;
    QLineEdit *txtTo = nullptr;
    // Whether the window that was active last was a message or input box.
    bool cameFromBox_ = false;
};

} // namespace tesmo
