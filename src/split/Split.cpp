#include "split/Split.h"

#include "mainwin/frmStocks.h"
#include "platform/AccessKeys.h"
#include "platform/ErrorTrap.h"
#include "platform/Regional.h"
#include "platform/Twips.h"
#include "store/FieldRules.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tesmo {

Split::Split(frmStocks &main, Dialogs &dialogs, QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , main_(main)
    , dialogs_(dialogs)
{
    setWindowTitle(QStringLiteral("Split"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twipsToPixels(3600), twipsToPixels(1905));
    setFont(designFont(font()));
    QFont bold = font();
    bold.setBold(true);

    Label1 = new QLabel(QStringLiteral("Ratio:"), this);
    Label1->setGeometry(TwipsRect{120, 120, 735, 375}.toPixels());
    txtFrom = new QLineEdit(this);
    txtFrom->setGeometry(TwipsRect{960, 480, 735, 375}.toPixels());
    Label2 = new QLabel(QStringLiteral("for"), this);
    Label2->setGeometry(TwipsRect{1800, 480, 495, 375}.toPixels());
    txtTo = new QLineEdit(this);
    txtTo->setGeometry(TwipsRect{2400, 480, 735, 375}.toPixels());
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(TwipsRect{240, 1080, 1335, 495}.toPixels());
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setGeometry(TwipsRect{1920, 1080, 1335, 495}.toPixels());
    for (QLabel *l : {Label1, Label2})
        l->setFont(bold);
    for (QPushButton *b : {OKButton, CancelButton})
        b->setAutoDefault(false);
    setTabOrder(txtFrom, txtTo);
    setTabOrder(txtTo, OKButton);
    setTabOrder(OKButton, CancelButton);

    txtFrom->installEventFilter(this);
    txtTo->installEventFilter(this);
    connect(OKButton, &QPushButton::clicked, this, &Split::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &Split::CancelButton_Click);
}

bool Split::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(event);
}

void Split::Form_Activate()
{
    txtFrom->setFocus(Qt::ActiveWindowFocusReason);
}

bool Split::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        if (isAccessKey(*static_cast<QKeyEvent *>(event)))
            return true;   // an access key no enabled button took
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (watched == txtFrom)
                txtTo->setFocus(Qt::TabFocusReason);
            else if (watched == txtTo)
                OKButton_Click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

// Checks the ratio and rescales the lot that is current in the main window
// now. Both new values are worked out before either box changes, so a box
// that does not convert leaves the lot as it was.
void Split::OKButton_Click()
{
    errorTrap(dialogs_, QStringLiteral("Source: Split OKButton_Click"), [this] {
        if (txtFrom->text().isEmpty()) {
            txtFrom->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (txtTo->text().isEmpty()) {
            txtTo->setFocus(Qt::OtherFocusReason);
            return;
        }
        const auto valid = [](const QString &text) {
            const auto v = IsNumber(text) ? numberFromText(text) : std::nullopt;
            return v && *v >= 1 ? v : std::nullopt;
        };
        const auto from = valid(txtFrom->text());
        const auto to = valid(txtTo->text());
        if (!from || !to) {
            dialogs_.message(QStringLiteral("Invalid Entry"), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            (from ? txtTo : txtFrom)->setFocus(Qt::OtherFocusReason);
            return;
        }
        const double ratio = *from / *to;

        QLineEdit *shares = main_.txtFields[kNumShares];
        QLineEdit *price = main_.txtFields[kPrice];
        const auto oldShares = numberFromText(shares->text());
        if (!oldShares)
            throw StoreError(kErrTypeMismatch);
        const QString newShares = regional::numberText(*oldShares * ratio);
        QString newPrice;
        if (!price->text().isEmpty()) {
            const auto oldPrice = numberFromText(price->text());
            if (!oldPrice)
                throw StoreError(kErrTypeMismatch);
            newPrice = regional::numberText(*oldPrice / ratio);
        }
        shares->setText(newShares);
        if (!newPrice.isEmpty())
            price->setText(newPrice);
        main_.FormatPriceBox();
        close();
    });
}

void Split::CancelButton_Click()
{
    close();
}

} // namespace tesmo
