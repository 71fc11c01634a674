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
class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, const char* sql);

    bool IsValid() const { return statement_ != nullptr; }
    Statement& Bind(int index, std::int64_t value);
    Statement& BindBytes(int index, std::string_view bytes);
    Statement& BindBytes(int index, const std::vector<std::uint8_t>& bytes);
    // SQLITE_ROW, SQLITE_DONE or an error code (also for an invalid statement or a failed bind).
    int Step();

    std::int64_t ColumnInt(int column) const;
    std::string ColumnText(int column) const;
    std::vector<std::uint8_t> ColumnBytes(int column) const;

private:
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement_;
    bool bindFailed_ = false;
};

class Connection {
public:
    using Handle = std::unique_ptr<sqlite3, ConnectionCloser>;

    explicit Connection(Handle db) : db_(std::move(db)) {}

    // Opens the file; `create` makes it when missing. Null when the file cannot be opened, is not a
    // SQLite database, or belongs to another program.
    static std::unique_ptr<Connection> Open(const std::string& path, bool create);

    sqlite3* Get() const { return db_.get(); }
    bool Exec(const char* sql);
    bool IsReadOnly() const;
    // Makes the tables and the five roots when missing; call inside a write transaction.
    bool EnsureSchema();

private:
    bool IsOurs();

    Handle db_;
};

}  // namespace tessaly::platform::sqlite
