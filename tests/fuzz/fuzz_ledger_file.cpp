// Any bytes as Tesmo.mdb: opening the file either finds a ledger or refuses
// it with the program's error, and a file it refuses keeps every byte. The
// seeds are real ledgers and another program's database, so that mutations
// reach the schema check.
#include "FuzzCheck.h"
#include "store/Database.h"
#include "store/LotReader.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace tesmo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/tesmo-fuzz-XXXXXX"));
    const QString path = dir.filePath(QStringLiteral("Tesmo.mdb"));
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    }
    bool opened = false;
    try {
        Database db(path);
        opened = true;
        LotTable table;
        readAllLots(db, table);   // a ledger, however damaged, is read or refused
    } catch (const Error &e) {
        FUZZ_CHECK(e.number() == kErrNotALedger || e.number() > kErrEngineBase);
    }
    if (!opened) {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::ReadOnly) && f.readAll() == bytes);
    }
    return 0;
}
