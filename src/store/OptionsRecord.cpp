#include "store/OptionsRecord.h"

#include "store/Database.h"

#include <sqlite3.h>

namespace tesmo {

OptionsRecord::OptionsRecord(QString databaseName)
    : databaseName_(std::move(databaseName))
{
}

ProtectionSetting OptionsRecord::read(QString *notice) const
{
    // Opened as the lots are, so that a first start creates the ledger.
    Database db(databaseName_);
    if (notice)
        *notice = db.notice();
    Statement s(db.handle(), "SELECT Protected, Password FROM Options ORDER BY rowid LIMIT 1");
    ProtectionSetting setting;
    if (s.step()) {
        setting.isProtected = s.int64(0) != 0;
        setting.password = s.isNull(1) ? QString() : s.text(1);
    }
    return setting;
}

void OptionsRecord::write(const ProtectionSetting &setting)
{
    const std::int64_t isProtected = setting.isProtected ? 1 : 0;
    const QString password = setting.password.isNull() ? QStringLiteral("") : setting.password;   // never NULL
    Database db(databaseName_);
    Database::Transaction transaction(db);
    Statement update(db.handle(), "UPDATE Options SET Protected = ?1, Password = ?2 "
                                  "WHERE rowid = (SELECT min(rowid) FROM Options)");
    update.bind(1, isProtected).bind(2, password).step();
    if (sqlite3_changes(db.handle()) == 0) {
        Statement insert(db.handle(), "INSERT INTO Options (Protected, Password) VALUES (?1, ?2)");
        insert.bind(1, isProtected).bind(2, password).step();
    }
    transaction.commit();
}

} // namespace tesmo
