// A connection set for a write of many rows in one transaction.
#pragma once

#include "store/Sqlite.h"

#include <QByteArray>
#include <sqlite3.h>

namespace tesmo {

// A connection set for a large write while it lives, as it was afterwards:
// its page cache, in kibibytes, as large as asked when it is smaller, and
// the journal of each statement (the pages it changed, kept so that it can
// be undone alone) in memory: a file for it took a write of each page a
// statement of 64 lots changed, 50,000 writes for 60,000 lots.
class LargeWrite {
public:
    LargeWrite(sqlite3 *db, qint64 kibibytes)
        : db_(db)
        , cache_(pragma("cache_size"))   // negative: kibibytes; positive: pages
        , temp_(pragma("temp_store"))
    {
        if (cache_ > -kibibytes)
            set("cache_size", -kibibytes);
        set("temp_store", 2);
    }
    ~LargeWrite()
    {
        set("cache_size", cache_);
        set("temp_store", temp_);
    }
    LargeWrite(const LargeWrite &) = delete;
    LargeWrite &operator=(const LargeWrite &) = delete;

private:
    qint64 pragma(const char *name)
    {
        Statement s(db_, (QByteArray("PRAGMA ") + name).constData());
        s.step();
        return s.int64(0);
    }
    void set(const char *name, qint64 value)
    {
        sqlite3_exec(db_, (QByteArray("PRAGMA ") + name + " = " + QByteArray::number(value)).constData(), nullptr,
                     nullptr, nullptr);
    }
    sqlite3 *db_;
    qint64 cache_, temp_;
};

} // namespace tesmo
