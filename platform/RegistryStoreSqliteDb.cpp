#include "platform/RegistryStoreSqliteDb.h"

namespace tessaly::platform::sqlite {
namespace {

// Marks the file as this system's registry ("TSRG"), so that another program's database is not
// taken for one.
constexpr std::int64_t kApplicationId = 0x54535247;
// A writer that holds the file longer than this makes the other side's operation fail.
constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
    " name BLOB NOT NULL,"
    " fold BLOB NOT NULL,"
    " UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS vals("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    " name BLOB NOT NULL,"
    " fold BLOB NOT NULL,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL,"
    " UNIQUE(key, fold));"
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES"
    " (2147483648, NULL, CAST('HKEY_CLASSES_ROOT' AS BLOB), CAST('HKEY_CLASSES_ROOT' AS BLOB)),"
    " (2147483649, NULL, CAST('HKEY_CURRENT_USER' AS BLOB), CAST('HKEY_CURRENT_USER' AS BLOB)),"
    " (2147483650, NULL, CAST('HKEY_LOCAL_MACHINE' AS BLOB), CAST('HKEY_LOCAL_MACHINE' AS BLOB)),"
    " (2147483651, NULL, CAST('HKEY_USERS' AS BLOB), CAST('HKEY_USERS' AS BLOB)),"
    " (2147483653, NULL, CAST('HKEY_CURRENT_CONFIG' AS BLOB), CAST('HKEY_CURRENT_CONFIG' AS BLOB));"
    "PRAGMA application_id = 1414746695;"
    "PRAGMA user_version = 1;";

static_assert(kApplicationId == 1414746695, "the schema text repeats the application id");

}  // namespace

CStatement::CStatement(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &raw, nullptr) == SQLITE_OK) {
        m_statement.reset(raw);
    } else {
        sqlite3_finalize(raw);
    }
}

CStatement& CStatement::Bind(int index, std::int64_t value) {
    if (!m_statement || sqlite3_bind_int64(m_statement.get(), index, value) != SQLITE_OK) {
        m_bindFailed = true;
    }
    return *this;
}

CStatement& CStatement::BindBytes(int index, std::string_view bytes) {
    // A null pointer would bind NULL instead of an empty blob.
    const char* data = bytes.empty() ? "" : bytes.data();
    if (!m_statement ||
        sqlite3_bind_blob64(m_statement.get(), index, data, bytes.size(), SQLITE_TRANSIENT) != SQLITE_OK) {
        m_bindFailed = true;
    }
    return *this;
}

CStatement& CStatement::BindBytes(int index, const std::vector<std::uint8_t>& bytes) {
    return BindBytes(index, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

int CStatement::Step() {
    if (!m_statement || m_bindFailed) {
        return SQLITE_MISUSE;
    }
    return sqlite3_step(m_statement.get());
}

std::int64_t CStatement::ColumnInt(int column) const {
    return sqlite3_column_int64(m_statement.get(), column);
}

std::string CStatement::ColumnText(int column) const {
    const void* data = sqlite3_column_blob(m_statement.get(), column);
    const int size = sqlite3_column_bytes(m_statement.get(), column);
    if (data == nullptr || size <= 0) {
        return {};
    }
    return std::string(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

std::vector<std::uint8_t> CStatement::ColumnBytes(int column) const {
    const void* data = sqlite3_column_blob(m_statement.get(), column);
    const int size = sqlite3_column_bytes(m_statement.get(), column);
    if (data == nullptr || size <= 0) {
        return {};
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

std::unique_ptr<CConnection> CConnection::Open(const std::string& path, bool create) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (create) {
        flags |= SQLITE_OPEN_CREATE;
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    // Owned from here on: sqlite3_open_v2 hands out a handle even when it fails.
    Handle handle(raw);
    if (rc != SQLITE_OK || raw == nullptr) {
        return nullptr;
    }
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    auto connection = std::make_unique<CConnection>(std::move(handle));
    if (!connection->Exec("PRAGMA foreign_keys = ON;") || !connection->IsOurs()) {
        return nullptr;
    }
    return connection;
}

bool CConnection::Exec(const char* sql) {
    return sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool CConnection::IsReadOnly() const {
    return sqlite3_db_readonly(m_db.get(), "main") != 0;
}

bool CConnection::IsOurs() {
    CStatement id(m_db.get(), "PRAGMA application_id;");
    if (id.Step() != SQLITE_ROW) {
        return false;  // not a database, or damaged
    }
    if (id.ColumnInt(0) == kApplicationId) {
        // Reading a row proves that the schema and the first pages are sound.
        CStatement probe(m_db.get(), "SELECT id FROM keys LIMIT 1;");
        const int rc = probe.Step();
        return rc == SQLITE_ROW || rc == SQLITE_DONE;
    }
    if (id.ColumnInt(0) != 0) {
        return false;
    }
    // A new, empty file becomes the store with its first write.
    CStatement tables(m_db.get(), "SELECT count(*) FROM sqlite_master;");
    return tables.Step() == SQLITE_ROW && tables.ColumnInt(0) == 0;
}

bool CConnection::EnsureSchema() {
    CStatement id(m_db.get(), "PRAGMA application_id;");
    if (id.Step() != SQLITE_ROW) {
        return false;
    }
    if (id.ColumnInt(0) == kApplicationId) {
        return true;
    }
    return Exec(kSchema);
}

}  // namespace tessaly::platform::sqlite
