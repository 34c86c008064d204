#include "text/Error.h"

namespace tesmo {

QString errorDescription(int number)
{
    switch (number) {
    case kErrOutOfMemory: return QStringLiteral("Out of memory");
    case kErrTypeMismatch: return QStringLiteral("Type mismatch");
    case kErrInternal: return QStringLiteral("Internal error");
    case kErrFileNotFound: return QStringLiteral("File not found");
    case kErrCannotStart: return QStringLiteral("The desktop has no program to open this file with");
    case kErrObjectNotSet: return QStringLiteral("Object variable or With block variable not set");
    case kErrNoCurrentLot: return QStringLiteral("There is no current lot.");
    case kErrRequiredField:
        return QStringLiteral("A lot needs a ticker symbol, a number of shares and a trade date; it was not stored.");
    case kErrOutOfRange:
        return QStringLiteral("A value lies outside what the ledger can hold; the lot was not stored.");
    case kErrLotGone:
        return QStringLiteral("Another program has removed this lot from the ledger file; it was not stored.");
    case kErrNotALedger: return QStringLiteral("Tesmo.mdb is not a Tesmo ledger; it was left untouched.");
    case kErrNothingPending: return QStringLiteral("No lot is being edited or added.");
    case kErrLotChanged:
        return QStringLiteral("Another program has changed this lot since Tesmo read it, so your changes were not "
                              "stored. Press Undo to see the lot as it is stored now, then make your changes again.");
    case kErrReadOnly:
        return QStringLiteral("Tesmo.mdb cannot be written in this folder: its lots can be looked at and exported, "
                              "but no change can be saved.");
    case kErrCannotWrite: return QStringLiteral("The file could not be written.");
    case kErrNoDesktopFolder:
        return QStringLiteral("The desktop has no folder for files, so the file was not written.");
    case kErrNotAvailable: return QStringLiteral("The operation is not available.");
    case kErrUserCancelled: return QStringLiteral("The work was cancelled.");
    case kErrCannotRead: return QStringLiteral("The file could not be read.");
    case kErrStopped: return QStringLiteral("The work was stopped.");
    case kErrSaleUndoRefused:
        return QStringLiteral("The lot of this sale changed since the sale, so the sale was not undone.");
    case kErrNothingToDo: return QStringLiteral("There is nothing to do.");
    case kErrActionUndoRefused: return QStringLiteral("The action cannot be undone.");
    case kErrCancelled: return QStringLiteral("This action was cancelled by an associated object.");
    default: return {};
    }
}

Error::Error(int number)
    : Error(number, errorDescription(number))
{
}

Error::Error(int number, const QString &description)
    : std::runtime_error(description.toStdString())
    , number_(number)
    , description_(description)
{
}

} // namespace tesmo
