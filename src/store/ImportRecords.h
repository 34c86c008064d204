// What the import keeps in the ledger beside the lots: the row of a broker's
// file each imported lot came from, by the row's key, and the choices a user
// made for a layout of file. The file has them only from the first import
// that keeps one: a ledger that never imported is never changed by reading it.
#pragma once

#include "store/Database.h"

#include <QByteArray>
#include <QDate>
#include <array>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace tesmo {

// A layout's choices as kept.
struct KeptLayout {
    QString header;
    QString choices;
    QDate on;
};

// Each row key with whether its lot is still in the ledger, or was sold from
// it (else the user deleted it); nothing when the file keeps none. Raises
// Error 3105 when objects of their names are not the import's as this
// program makes them, and an engine error when the file cannot be read.
void readLotSources(Database &db, const std::function<void(const QByteArray &rowKey, bool inLedger)> &each);
std::vector<KeptLayout> readKeptLayouts(Database &db);

// Within the caller's transaction: the lots' rows, written by the batch
// (a lot at a time, a large import's rows took a fifth longer), the last
// ones by finish(); and a layout's choices (replacing what was kept for its
// header); the tables made first when the file has none. Raise Error as the
// reads do.
class ImportRecordWriter {
public:
    explicit ImportRecordWriter(Database &db)
        : db_(db)
    {
    }
    void source(std::int64_t lot, std::string_view rowKey);
    void finish();
    void layout(const KeptLayout &layout);

private:
    void ensure();
    void write(std::size_t count);
    Database &db_;
    bool ready_ = false;
    struct Source {
        std::int64_t lot;
        std::array<char, 16> key;
        int size;
    };
    std::vector<Source> pending_;
    std::unique_ptr<Statement> batch_;
};

} // namespace tesmo
