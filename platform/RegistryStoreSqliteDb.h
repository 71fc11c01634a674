// Owning wrappers over one SQLite connection and its prepared statements, for the file store.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly::platform::sqlite {

struct ConnectionCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// One prepared statement; parameters are bound, never spliced into the text.
class CStatement {
public:
    CStatement() = default;
    CStatement(sqlite3* db, const char* sql);

    bool IsValid() const { return m_statement != nullptr; }
    CStatement& Bind(int index, std::int64_t value);
    CStatement& BindBytes(int index, std::string_view bytes);
    CStatement& BindBytes(int index, const std::vector<std::uint8_t>& bytes);
    // SQLITE_ROW, SQLITE_DONE or an error code (also for an invalid statement or a failed bind).
    int Step();

    std::int64_t ColumnInt(int column) const;
    std::string ColumnText(int column) const;
    std::vector<std::uint8_t> ColumnBytes(int column) const;

private:
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> m_statement;
    bool m_bindFailed = false;
};

class CConnection {
public:
    using Handle = std::unique_ptr<sqlite3, ConnectionCloser>;

    explicit CConnection(Handle db) : m_db(std::move(db)) {}

    // Opens the file; `create` makes it when missing. Null when the file cannot be opened, is not a
    // SQLite database, or belongs to another program.
    static std::unique_ptr<CConnection> Open(const std::string& path, bool create);

    sqlite3* Get() const { return m_db.get(); }
    bool Exec(const char* sql);
    bool IsReadOnly() const;
    // Makes the tables and the five roots when missing; call inside a write transaction.
    bool EnsureSchema();

private:
    bool IsOurs();

    Handle m_db;
};

}  // namespace tessaly::platform::sqlite
