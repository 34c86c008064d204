// The field rules applied before the store leaves or stores a lot, and the
// currency text of the money boxes.
#include "mainwin/frmStocks.h"

#include "platform/Regional.h"
#include "store/FieldRules.h"

namespace tesmo {

namespace {

struct Rule {
    int field;
    bool (*fails)(const QString &text);
    const char *message;
    bool selectAll;
};

bool isEmpty(const QString &t)
{
    return t.isEmpty();
}

bool notANumber(const QString &t)
{
    return !IsNumber(t);
}

bool notADate(const QString &t)
{
    return !regional::readDate(t);
}

bool notMoney(const QString &t)
{
    return !t.isEmpty() && !IsNumber(AwayFromCurrency(t));
}

// Checked in this order; the first failure is the one the user sees.
const Rule kRules[] = {
    {kTicker, isEmpty, "Must Enter a Ticker Symbol", false},
    {kNumShares, isEmpty, "Must Enter Number of Shares", false},
    {kNumShares, notANumber, "Please Enter Number of Shares as a Number", true},
    {kTradeDate, isEmpty, "Must Enter Trade Date", false},
    {kTradeDate, notADate, "Must Enter the Date According to the Format MM/DD/YY or MM/DD/YYYY", true},
    {kPrice, notMoney, "Please Enter the Price per Share as a Number", true},
    {kNetAmount, notMoney, "Please Enter Net Amount as a Number", true},
};

} // namespace

void frmStocks::Data1_Validate(int &Action, bool &Save)
{
    trap("Source : frmStocks Data1_Validate", [&] {
        UpdateFailed = false;
        bool allEmpty = true;
        for (int pos = kName1; pos <= kTradeDate; ++pos)
            allEmpty = allEmpty && txtFields[std::size_t(pos)]->text().isEmpty();
        if (allEmpty)
            return;
        switch (Action) {
        case kActDelete:
            // A delete goes ahead whatever the boxes hold; unsaved changes are dropped.
            Data1().Edit();
            Data1().CancelUpdate();
            return;
        case kActFind:
        case kActBookmark:
            return;
        case kActCancel:
            Save = false;
            UpdateFailed = true;
            break;
        default:
            break;
        }
        for (const Rule &rule : kRules) {
            QLineEdit *box = txtFields[std::size_t(rule.field)];
            if (!rule.fails(box->text()))
                continue;
            dialogs_.message(QString::fromUtf8(rule.message), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
            Action = kActCancel;
            Save = false;
            UpdateFailed = true;
            box->setFocus(Qt::OtherFocusReason);
            if (rule.selectAll)
                box->setSelection(0, int(box->text().size()));
            return;
        }
    });
}

namespace {

void formatMoneyBox(QLineEdit *box, QString (*currencyText)(Ticks))
{
    if (!IsNumber(box->text()))
        return;
    if (const auto ticks = parseTicks(box->text()))
        box->setText(currencyText(*ticks));
}

} // namespace

void frmStocks::FormatCurrFields()
{
    trap("Source : frmStocks txtFields_LostFocus", [this] {
        formatMoneyBox(txtFields[kPrice], regional::priceText);
        formatMoneyBox(txtFields[kNetAmount], regional::netAmountText);
    });
}

void frmStocks::FormatPriceBox()
{
    trap("Source : frmStocks txtFields_LostFocus", [this] { formatMoneyBox(txtFields[kPrice], regional::priceText); });
}

void frmStocks::txtFields_LostFocus(int Index)
{
    if (Index == kPrice || Index == kNetAmount)
        FormatCurrFields();
}

} // namespace tesmo
