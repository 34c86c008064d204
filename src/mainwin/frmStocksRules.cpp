// The field rules applied before the store writes or leaves a lot, and the
// currency text of the money boxes.
#include "mainwin/frmStocks.h"

#include "text/FieldRules.h"
#include "text/Regional.h"

#include <QLineEdit>

namespace tesmo {

// Refuses, with the first broken rule's message, an operation that would
// write the boxes. Leaving a lot whose boxes hold nothing to write needs no
// rules: a lot as stored can always be left, whatever another tool put in it.
void frmStocks::Data1_Validate(int &Action, bool &Save)
{
    trap("Source : frmStocks Data1_Validate", [&] {
        UpdateFailed = false;
        const FieldTexts texts = binding_->texts();
        bool allEmpty = true;
        for (int pos = kName1; pos <= kTradeDate; ++pos)
            allEmpty = allEmpty && texts[std::size_t(pos)].isEmpty();
        if (allEmpty)
            return;
        switch (Action) {
        case kActDelete:
            // A delete goes ahead whatever the boxes hold; the store drops the
            // unsaved changes once the lot is gone.
            return;
        case kActCancel:
            Save = false;
            UpdateFailed = true;
            break;
        case kActUpdate:
            break;
        default:
            if (!Save)
                return;
            break;
        }
        const auto broken = firstBrokenRule(texts);
        if (!broken)
            return;
        dialogs_.message(broken->message, Dialogs::Buttons::Ok, Dialogs::Icon::Information);
        Action = kActCancel;
        Save = false;
        UpdateFailed = true;
        QLineEdit *box = txtFields[std::size_t(broken->field)];
        box->setFocus(Qt::OtherFocusReason);
        if (broken->selectAll)
            box->setSelection(0, int(box->text().size()));
    });
}

namespace {

void formatMoneyBox(QLineEdit *box, QString (*currencyText)(Ticks))
{
    if (!IsNumber(box->text()))
        return;
    if (const auto ticks = parseTicks(box->text()))
        setBoxText(box, currencyText(*ticks));
}

} // namespace

// Shows a plain number that the user typed into the price or net amount box
// as currency text; any other text (empty, already currency) is left alone.
void frmStocks::FormatCurrFields()
{
    trap("Source : frmStocks txtFields_LostFocus", [this] {
        formatMoneyBox(txtFields[kPrice], regional::priceText);
        formatMoneyBox(txtFields[kNetAmount], regional::netAmountText);
    });
}

void frmStocks::FormatCurr(int Index)
{
    trap("Source : frmStocks txtFields_LostFocus", [&] {
        formatMoneyBox(txtFields[std::size_t(Index)],
                       Index == kNetAmount ? regional::netAmountText : regional::priceText);
    });
}

void frmStocks::txtFields_LostFocus(int Index)
{
    if (Index == kPrice || Index == kNetAmount)
        FormatCurrFields();
}

} // namespace tesmo
