// The program's error type: a number and a description, as the error traps show
// them. Every error the store raises has its number in the table below.
#pragma once

#include <QString>
#include <stdexcept>

namespace tesmo {

enum ErrorNumber : int {
    kErrTypeMismatch = 13,      // a text that does not convert to its field's kind
    kErrObjectNotSet = 91,      // reading the selected row of a list without one
    kErrEngineBase = 3000,      // 3000 + SQLite's primary result code
    kErrNoCurrentLot = 3101,    // an operation that needs a current lot, without one
    kErrRequiredField = 3102,   // a lot without ticker, number of shares or trade date
    kErrNegativeMoney = 3103,   // a negative price or net amount
    kErrLotGone = 3104,         // the lot was removed from the file by another program
    kErrNotALedger = 3105,      // Tesmo.mdb is not a ledger of this program
    kErrNothingPending = 3106,  // Update or CancelUpdate with nothing pending
    kErrCancelled = 3426,       // the Validate handler cancelled the operation
};

// The standard description of an error number of the table above; the empty
// text for numbers it does not hold.
QString errorDescription(int number);

class StoreError : public std::runtime_error {
public:
    explicit StoreError(int number);                 // with the standard description
    StoreError(int number, const QString &description);

    int number() const { return number_; }
    const QString &description() const { return description_; }

private:
    int number_;
    QString description_;
};

} // namespace tesmo
