// The program's error type and the one table of error numbers with their
// descriptions, as the error traps show them ("13 - Type mismatch - ...").
#pragma once

#include <QString>
#include <stdexcept>

namespace tesmo {

enum ErrorNumber : int {
    kErrOutOfMemory = 7,
    kErrTypeMismatch = 13,      // a text that does not convert to its field's kind
    kErrInternal = 51,          // a fault inside the program
    kErrFileNotFound = 53,      // a file to open is not there
    kErrCannotStart = 75,       // a program could not be started
    kErrObjectNotSet = 91,      // reading the selected row of a list without one
    kErrEngineBase = 3000,      // 3000 + SQLite's primary result code
    kErrEngineReadOnly = 3008,  //   the file cannot be written (SQLITE_READONLY)
    kErrEngineBusy = 3005,      //   another connection holds the file locked (SQLITE_BUSY)
    kErrEngineLocked = 3006,    //   (SQLITE_LOCKED)
    kErrEngineCorrupt = 3011,   //   the file is damaged (SQLITE_CORRUPT)
    kErrEngineFull = 3013,      //   the disk is full (SQLITE_FULL)
    kErrNoCurrentLot = 3101,    // an operation that needs a current lot, without one
    kErrRequiredField = 3102,   // a lot without ticker, number of shares or trade date
    kErrOutOfRange = 3103,      // a value outside what the ledger holds
    kErrLotGone = 3104,         // another program removed the lot from the file
    kErrNotALedger = 3105,      // Tesmo.mdb is not a ledger of this program
    kErrNothingPending = 3106,  // Update with nothing pending
    kErrLotChanged = 3107,      // another program changed the lot since it was read
    kErrReadOnly = 3108,        // the ledger cannot be written here
    kErrCannotWrite = 3109,     // a file could not be created or written
    kErrNoDesktopFolder = 3110, // the desktop reports no folder for its files
    kErrNotAvailable = 3111,    // an operation that an office stand-in does not offer
    kErrUserCancelled = 3112,   // the user pressed Cancel in the work's progress dialog
    kErrCannotRead = 3113,      // a file could not be opened or read
    kErrStopped = 3114,         // work the program stopped (a copy when the window closes)
    kErrSaleUndoRefused = 3115, // a sale whose lot changed since cannot be undone
    kErrNothingToDo = 3116,     // a command that finds nothing to work on (no lot to sell, no copy)
    kErrActionUndoRefused = 3117, // a corporate action whose lots changed since cannot be undone
    kErrCancelled = 3426,       // the Validate handler cancelled the operation
};

// The standard description of an error number of the table above; the empty
// text for numbers it does not hold.
QString errorDescription(int number);

class Error : public std::runtime_error {
public:
    explicit Error(int number);   // with the standard description
    Error(int number, const QString &description);

    int number() const { return number_; }
    const QString &description() const { return description_; }

private:
    int number_;
    QString description_;
};

} // namespace tesmo
