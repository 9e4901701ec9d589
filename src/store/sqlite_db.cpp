#include "store/sqlite_db.h"

#include <sqlite3.h>

SqliteDb::SqliteDb(const QString &path, Mode mode)
{
    const int flags = mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int code = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const QString detail = QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(code));
        sqlite3_close(db_);
        db_ = nullptr;
        throw SqliteFailure(code & 0xff, detail);
    }
    sqlite3_extended_result_codes(db_, 0);
}

SqliteDb::~SqliteDb() { sqlite3_close(db_); }

void SqliteDb::fail(int code) const { throw SqliteFailure(code & 0xff, QString::fromUtf8(sqlite3_errmsg(db_))); }

void SqliteDb::exec(const char *sql)
{
    const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        fail(code);
}

void SqliteDb::writeTransaction(const std::function<void()> &work)
{
    exec("BEGIN IMMEDIATE");
    try {
        work();
        exec("COMMIT");
    } catch (const SqliteFailure &) {
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

bool SqliteDb::readOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

qint64 SqliteDb::changes() const { return sqlite3_changes64(db_); }

SqliteStatement::SqliteStatement(const SqliteDb &db, const char *sql) : db_(db)
{
    const int code = sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
    if (code != SQLITE_OK)
        db.fail(code);
}

SqliteStatement::~SqliteStatement() { sqlite3_finalize(statement_); }

SqliteStatement &SqliteStatement::bind(int index, qint64 value)
{
    if (const int code = sqlite3_bind_int64(statement_, index, value); code != SQLITE_OK)
        db_.fail(code);
    return *this;
}

SqliteStatement &SqliteStatement::bindBlob(int index, QByteArrayView value)
{
    // An empty blob is still a blob, not NULL.
    static const char empty = 0;
    const char *data = value.isEmpty() ? &empty : value.data();
    if (const int code = sqlite3_bind_blob64(statement_, index, data, sqlite3_uint64(value.size()), SQLITE_TRANSIENT);
        code != SQLITE_OK)
        db_.fail(code);
    return *this;
}

SqliteStatement &SqliteStatement::bindNull(int index)
{
    if (const int code = sqlite3_bind_null(statement_, index); code != SQLITE_OK)
        db_.fail(code);
    return *this;
}

SqliteStatement &SqliteStatement::bindText(int index, const QString &value)
{
    const QByteArray utf8 = value.toUtf8();
    if (const int code = sqlite3_bind_text64(statement_, index, utf8.constData(), sqlite3_uint64(utf8.size()),
                                             SQLITE_TRANSIENT, SQLITE_UTF8);
        code != SQLITE_OK)
        db_.fail(code);
    return *this;
}

bool SqliteStatement::step()
{
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW)
        return true;
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
    if (code != SQLITE_DONE)
        db_.fail(code);
    return false;
}

void SqliteStatement::run()
{
    while (step()) {
    }
}

qint64 SqliteStatement::integer(int column) const { return sqlite3_column_int64(statement_, column); }

QByteArrayView SqliteStatement::blob(int column) const
{
    const void *data = sqlite3_column_blob(statement_, column);
    return QByteArrayView(static_cast<const char *>(data), sqlite3_column_bytes(statement_, column));
}

QString SqliteStatement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(statement_, column));
}

bool SqliteStatement::isNull(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
