#include "store/Sqlite.h"

#include "text/IsoDate.h"

#include "store/Database.h"

#include <QByteArray>
#include <sqlite3.h>
#include <utility>

namespace tesmo {

QByteArray insertRows(const char *head, int columns, std::size_t rows)
{
    QByteArray row = "(?";
    for (int c = 1; c < columns; ++c)
        row += ", ?";
    row += ')';
    QByteArray sql = head;
    for (std::size_t r = 0; r < rows; ++r)
        sql += (r ? ", " : " ") + row;
    return sql;
}

bool hasTable(Database &db, const char *name)
{
    Statement s(db.handle(), "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    return s.bind(1, QString::fromLatin1(name)).step();
}

Error engineError(sqlite3 *db, int rc)
{
    const char *msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    return Error(kErrEngineBase + (rc & 0xff), QString::fromUtf8(msg));
}

void defend(sqlite3 *db)
{
    // Each fails only for an option the SQLite linked in does not know; both are known since 3.31.
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

SqlValue::SqlValue(sqlite3_value *value)
    : value_(value ? sqlite3_value_dup(value) : nullptr)
{
    if (value && !value_)
        throw Error(kErrOutOfMemory);
}

SqlValue::~SqlValue()
{
    sqlite3_value_free(value_);
}

SqlValue::SqlValue(const SqlValue &other)
    : SqlValue(other.value_)
{
}

SqlValue &SqlValue::operator=(const SqlValue &other)
{
    if (this != &other)
        *this = SqlValue(other);
    return *this;
}

SqlValue::SqlValue(SqlValue &&other) noexcept
    : value_(std::exchange(other.value_, nullptr))
{
}

SqlValue &SqlValue::operator=(SqlValue &&other) noexcept
{
    std::swap(value_, other.value_);
    return *this;
}

bool SqlValue::isNull() const
{
    return !value_ || sqlite3_value_type(value_) == SQLITE_NULL;
}

Statement::Statement(sqlite3 *db, const char *sql)
    : db_(db)
{
    const int rc = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK)
        throw engineError(db, rc);
}

Statement::~Statement()
{
    sqlite3_finalize(stmt_);
}

Statement &Statement::bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement &Statement::bind(int index, double value)
{
    sqlite3_bind_double(stmt_, index, value);
    return *this;
}

Statement &Statement::bind(int index, const QString &text)
{
    if (text.isNull())
        return bindNull(index);
    const QByteArray utf8 = text.toUtf8();
    return bindUtf8(index, {utf8.constData(), std::size_t(utf8.size())});
}

Statement &Statement::bindUtf8(int index, std::string_view text)
{
    // A null pointer would bind NULL, not the empty text.
    sqlite3_bind_text(stmt_, index, text.data() ? text.data() : "", int(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement &Statement::bind(int index, const SqlValue &value)
{
    if (!value.get())
        return bindNull(index);
    sqlite3_bind_value(stmt_, index, value.get());
    return *this;
}

Statement &Statement::bindNull(int index)
{
    sqlite3_bind_null(stmt_, index);
    return *this;
}

Statement &Statement::bindTicks(int index, const std::optional<Ticks> &ticks)
{
    return ticks ? bind(index, ticksToDouble(*ticks)) : bindNull(index);
}

Statement &Statement::bindDate(int index, QDate date)
{
    char text[16];
    return bindUtf8(index, {text, date.isValid() ? std::size_t(writeIsoDate(text, date) - text) : 0});
}

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw engineError(db_, rc);
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

bool Statement::isNull(int column) const
{
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::int64_t Statement::int64(int column) const
{
    return sqlite3_column_int64(stmt_, column);
}

QString Statement::text(int column) const
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    if (!p)
        return {};
    return QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column));
}

QString SharedText::of(const Statement &s, int column)
{
    const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(s.handle(), column));
    if (!p)
        return {};
    const QByteArrayView bytes(p, sqlite3_column_bytes(s.handle(), column));
    if (text_.isNull() || bytes != bytes_) {
        bytes_ = bytes.toByteArray();
        text_ = QString::fromUtf8(bytes);
    }
    return text_;
}

std::string_view Utf8::of(const QString &text)
{
    if (text != text_ || bytes_.isNull()) {
        text_ = text;
        bytes_ = text.toUtf8();
    }
    return {bytes_.constData(), std::size_t(bytes_.size())};
}

SqlValue Statement::value(int column) const
{
    return SqlValue(sqlite3_column_value(stmt_, column));
}

} // namespace tesmo

static_assert(tesmo::kErrEngineReadOnly == tesmo::kErrEngineBase + SQLITE_READONLY);
static_assert(tesmo::kErrEngineBusy == tesmo::kErrEngineBase + SQLITE_BUSY);
static_assert(tesmo::kErrEngineLocked == tesmo::kErrEngineBase + SQLITE_LOCKED);
static_assert(tesmo::kErrEngineFull == tesmo::kErrEngineBase + SQLITE_FULL);
