#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A thin, owning wrapper around one SQLite connection and its prepared statements. Failures throw
// QorvCSSQLiteError with SQLite's own message, so callers decide in one place what a broken database means.
class QorvCSSQLiteError : public std::runtime_error {
public:
    QorvCSSQLiteError(int code, const std::string& message)
        : std::runtime_error(message)
        , m_code(code)
    { }
    // SQLite's primary result code (SQLITE_CORRUPT, SQLITE_NOTADB, ...).
    int code() const { return m_code; }

private:
    int m_code;
};

class QorvCSSQLiteStatement {
public:
    QorvCSSQLiteStatement(sqlite3* db, std::string_view sql);
    ~QorvCSSQLiteStatement();
    QorvCSSQLiteStatement(const QorvCSSQLiteStatement&) = delete;
    QorvCSSQLiteStatement& operator=(const QorvCSSQLiteStatement&) = delete;

    // Parameters count from 1, as in SQLite. A nullopt binds NULL.
    QorvCSSQLiteStatement& bind(int index, int64_t value);
    QorvCSSQLiteStatement& bind(int index, double value);
    QorvCSSQLiteStatement& bind(int index, std::string_view value);
    QorvCSSQLiteStatement& bind(int index, std::optional<double> value);
    QorvCSSQLiteStatement& bind(int index, std::optional<int64_t> value);
    QorvCSSQLiteStatement& bindNull(int index);

    // Advances to the next row: true while there is one. Throws on an error.
    bool step();
    // Runs a statement that returns no rows, then resets it for the next use.
    void run();
    void reset();

    // Columns count from 0. A NULL column reads as nullopt in the optional forms.
    int64_t integer(int column) const;
    double real(int column) const;
    std::string text(int column) const;
    std::optional<int64_t> optionalInteger(int column) const;
    std::optional<double> optionalReal(int column) const;
    bool isNull(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_statement = nullptr;
};

class QorvCSSQLiteDatabase {
public:
    enum class Mode { ReadWrite, ReadOnly };

    // Opens (ReadWrite: creates) the file. Throws when it cannot be opened; a file that is not a database is
    // only found out by the first statement (SQLITE_NOTADB).
    QorvCSSQLiteDatabase(const std::string& path, Mode mode);
    ~QorvCSSQLiteDatabase();
    QorvCSSQLiteDatabase(const QorvCSSQLiteDatabase&) = delete;
    QorvCSSQLiteDatabase& operator=(const QorvCSSQLiteDatabase&) = delete;

    // Runs one or more statements that return no rows.
    void execute(std::string_view sql);
    // The first column of the first row, or nullopt when there is no row or it is NULL.
    std::optional<int64_t> integer(std::string_view sql);
    std::optional<std::string> text(std::string_view sql);

    std::unique_ptr<QorvCSSQLiteStatement> prepare(std::string_view sql);

    // Runs body inside one transaction: committed when it returns, rolled back when it throws.
    template <typename Body> void transaction(Body&& body)
    {
        execute("BEGIN IMMEDIATE");
        try {
            body();
        } catch (...) {
            execute("ROLLBACK");
            throw;
        }
        execute("COMMIT");
    }

    sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};
