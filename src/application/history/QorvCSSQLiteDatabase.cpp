#include "QorvCSSQLiteDatabase.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void fail(sqlite3* db, int code, std::string_view what)
{
    std::string message(what);
    message += ": ";
    message += db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw QorvCSSQLiteError(code & 0xff, message);
}

} // namespace

QorvCSSQLiteStatement::QorvCSSQLiteStatement(sqlite3* db, std::string_view sql)
    : m_db(db)
{
    const int code = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &m_statement, nullptr);
    if (code != SQLITE_OK)
        fail(db, code, "cannot prepare a statement");
}

QorvCSSQLiteStatement::~QorvCSSQLiteStatement()
{
    sqlite3_finalize(m_statement);
}

QorvCSSQLiteStatement& QorvCSSQLiteStatement::bind(int index, int64_t value)
{
    if (const int code = sqlite3_bind_int64(m_statement, index, value); code != SQLITE_OK)
        fail(m_db, code, "cannot bind a value");
    return *this;
}

QorvCSSQLiteStatement& QorvCSSQLiteStatement::bind(int index, double value)
{
    if (const int code = sqlite3_bind_double(m_statement, index, value); code != SQLITE_OK)
        fail(m_db, code, "cannot bind a value");
    return *this;
}

QorvCSSQLiteStatement& QorvCSSQLiteStatement::bind(int index, std::string_view value)
{
    const int code
        = sqlite3_bind_text(m_statement, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    if (code != SQLITE_OK)
        fail(m_db, code, "cannot bind a value");
    return *this;
}

QorvCSSQLiteStatement& QorvCSSQLiteStatement::bindNull(int index)
{
    if (const int code = sqlite3_bind_null(m_statement, index); code != SQLITE_OK)
        fail(m_db, code, "cannot bind a value");
    return *this;
}

QorvCSSQLiteStatement& QorvCSSQLiteStatement::bind(int index, std::optional<double> value)
{
    return value ? bind(index, *value) : bindNull(index);
}

QorvCSSQLiteStatement& QorvCSSQLiteStatement::bind(int index, std::optional<int64_t> value)
{
    return value ? bind(index, *value) : bindNull(index);
}

bool QorvCSSQLiteStatement::step()
{
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    sqlite3_reset(m_statement);
    fail(m_db, code, "cannot run a statement");
}

void QorvCSSQLiteStatement::run()
{
    while (step()) { }
    reset();
}

void QorvCSSQLiteStatement::reset()
{
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
}

int64_t QorvCSSQLiteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double QorvCSSQLiteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

std::string QorvCSSQLiteStatement::text(int column) const
{
    const auto* bytes = sqlite3_column_text(m_statement, column);
    return bytes ? std::string(
               reinterpret_cast<const char*>(bytes), static_cast<size_t>(sqlite3_column_bytes(m_statement, column)))
                 : std::string();
}

std::optional<int64_t> QorvCSSQLiteStatement::optionalInteger(int column) const
{
    return isNull(column) ? std::nullopt : std::optional<int64_t>(integer(column));
}

std::optional<double> QorvCSSQLiteStatement::optionalReal(int column) const
{
    return isNull(column) ? std::nullopt : std::optional<double>(real(column));
}

bool QorvCSSQLiteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QorvCSSQLiteDatabase::QorvCSSQLiteDatabase(const std::string& path, Mode mode)
{
    const int flags = (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)
        | SQLITE_OPEN_NOMUTEX;
    const int code = sqlite3_open_v2(path.c_str(), &m_db, flags, nullptr);
    if (code != SQLITE_OK) {
        std::string message = std::string("cannot open ") + path + ": " + (m_db ? sqlite3_errmsg(m_db) : "");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw QorvCSSQLiteError(code & 0xff, message);
    }
    // Another process (a second window, the command line) may hold the write lock for a moment.
    sqlite3_busy_timeout(m_db, 2000);
}

QorvCSSQLiteDatabase::~QorvCSSQLiteDatabase()
{
    sqlite3_close(m_db);
}

void QorvCSSQLiteDatabase::execute(std::string_view sql)
{
    const std::string text(sql);
    char* error = nullptr;
    const int code = sqlite3_exec(m_db, text.c_str(), nullptr, nullptr, &error);
    if (code != SQLITE_OK) {
        std::string message = error ? error : sqlite3_errstr(code);
        sqlite3_free(error);
        throw QorvCSSQLiteError(code & 0xff, message);
    }
}

std::optional<int64_t> QorvCSSQLiteDatabase::integer(std::string_view sql)
{
    QorvCSSQLiteStatement statement(m_db, sql);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    return statement.integer(0);
}

std::optional<std::string> QorvCSSQLiteDatabase::text(std::string_view sql)
{
    QorvCSSQLiteStatement statement(m_db, sql);
    if (!statement.step() || statement.isNull(0))
        return std::nullopt;
    return statement.text(0);
}

std::unique_ptr<QorvCSSQLiteStatement> QorvCSSQLiteDatabase::prepare(std::string_view sql)
{
    return std::make_unique<QorvCSSQLiteStatement>(m_db, sql);
}
