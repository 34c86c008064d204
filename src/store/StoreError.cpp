#include "store/StoreError.h"

namespace tesmo {

QString errorDescription(int number)
{
    switch (number) {
    case kErrTypeMismatch: return QStringLiteral("Type mismatch");
    case kErrObjectNotSet: return QStringLiteral("Object variable or With block variable not set");
    case kErrNoCurrentLot: return QStringLiteral("There is no current lot.");
    case kErrRequiredField:
        return QStringLiteral("A lot needs a ticker symbol, a number of shares and a trade date; it was not stored.");
    case kErrNegativeMoney:
        return QStringLiteral("The price per share and the net amount cannot be negative; the lot was not stored.");
    case kErrLotGone: return QStringLiteral("The lot is no longer in the ledger file.");
    case kErrNotALedger:
        return QStringLiteral("Tesmo.mdb is not a Tesmo ledger; it was left untouched.");
    case kErrNothingPending: return QStringLiteral("No lot is being edited or added.");
    case kErrCancelled: return QStringLiteral("This action was cancelled by an associated object.");
    default: return {};
    }
}

StoreError::StoreError(int number)
    : StoreError(number, errorDescription(number))
{
}

StoreError::StoreError(int number, const QString &description)
    : std::runtime_error(description.toStdString())
    , number_(number)
    , description_(description)
{
}

} // namespace tesmo
