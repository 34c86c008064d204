// Rows inserted many to a statement.
#pragma once

#include "store/Sqlite.h"

#include <algorithm>
#include <string>

namespace tesmo {

// An INSERT of rows bound a batch at a time: a statement of one row opens
// the table and each of its indexes again for every row, which costs as
// much as writing a small row. The first value of every row must not be
// NULL: a batch left part empty at the end has NULL there.
class RowBatch {
public:
    // insert names the table and its columns: "INSERT INTO T (A, B)"; at
    // most upTo rows are to be written.
    RowBatch(sqlite3 *db, const std::string &insert, int columns, std::size_t upTo)
        : columns_(columns)
        , rows_(int(std::clamp<std::size_t>(upTo, 1, 64)))
        , statement_(db, sqlOf(insert, columns, rows_).c_str())
    {
    }
    RowBatch(const RowBatch &) = delete;
    RowBatch &operator=(const RowBatch &) = delete;

    // The row being filled: bind its column (counted from 1) at at(column).
    Statement &row() { return statement_; }
    int at(int column) const { return filled_ * columns_ + column; }
    // The row is filled; a full batch is written.
    void next()
    {
        if (++filled_ == rows_)
            write();
    }
    // Writes the rows filled and not yet written.
    void finish()
    {
        if (filled_ > 0)
            write();
    }

private:
    static std::string sqlOf(const std::string &insert, int columns, int rows)
    {
        const QByteArray values = insertRows(" SELECT * FROM (VALUES", columns, std::size_t(rows));
        return insert + values.toStdString() + ") WHERE column1 IS NOT NULL";
    }
    void write()
    {
        statement_.step();
        statement_.reset();   // and every value NULL again
        filled_ = 0;
    }

    int columns_, rows_;
    int filled_ = 0;
    Statement statement_;
};

} // namespace tesmo
