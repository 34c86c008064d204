// The protection setting of the ledger: the first row of the table Options,
// read and written on a connection of its own.
#pragma once

#include <QString>

namespace tesmo {

struct ProtectionSetting {
    bool isProtected = false;
    QString password;   // as typed; the file holds it as plain text

    friend bool operator==(const ProtectionSetting &, const ProtectionSetting &) = default;
};

class OptionsRecord {
public:
    explicit OptionsRecord(QString databaseName);

    // The setting in the first row; a table without rows reads as protection
    // off with an empty password. A missing ledger is created first. Raises
    // Error when the ledger cannot be read. notice, when given, is set to
    // what opening the ledger set aside, as Database::notice() tells it.
    ProtectionSetting read(QString *notice = nullptr) const;

    // Stores the setting into the first row in one transaction, adding the
    // row when there is none. Raises Error and changes nothing on failure.
    void write(const ProtectionSetting &setting);

private:
    QString databaseName_;
};

} // namespace tesmo
