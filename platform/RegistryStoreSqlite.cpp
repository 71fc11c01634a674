// The registry as one SQLite file: a tree of keys with typed values. Names are compared with
// A-Z folded to upper case (as the registry compares them) and kept as first written.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/RegistryStore.h"
#include "platform/RegistryStoreSqliteDb.h"

namespace tessaly::platform {
namespace {

constexpr const char* kStoreVariable = "TESSALY_REGISTRY";
constexpr const char* kDefaultStorePath = "/var/lib/tessaly/registry.db";
// The registry's own limits on name lengths.
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;

std::string StorePath() {
    const char* configured = std::getenv(kStoreVariable);
    return (configured != nullptr && *configured != '\0') ? configured : kDefaultStorePath;
}

std::string Fold(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return folded;
}

// Key path elements. One trailing backslash is allowed (the registry ignores it); any other empty
// element makes the path invalid.
bool SplitKeyPath(const std::string& path, std::vector<std::string>& elements) {
    elements.clear();
    if (path.empty()) {
        return true;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = path.find('\\', start);
        elements.push_back(path.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) {
            break;
        }
        start = end + 1;
    }
    if (elements.back().empty()) {
        elements.pop_back();
    }
    for (const std::string& element : elements) {
        if (element.empty() || element.size() > kMaxKeyName) {
            return false;
        }
    }
    return true;
}

std::optional<std::int64_t> FindChild(sqlite3* db, std::int64_t parent, const std::string& name) {
    sqlite::CStatement find(db, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2;");
    find.Bind(1, parent).BindBytes(2, Fold(name));
    if (find.Step() != SQLITE_ROW) {
        return std::nullopt;
    }
    return find.ColumnInt(0);
}

std::optional<std::int64_t> FindKey(sqlite3* db, RegistryRoot root,
                                    const std::vector<std::string>& elements) {
    std::optional<std::int64_t> id = static_cast<std::int64_t>(root);
    for (const std::string& element : elements) {
        id = FindChild(db, *id, element);
        if (!id) {
            break;
        }
    }
    return id;
}

bool KeyExists(sqlite3* db, std::int64_t id) {
    sqlite::CStatement exists(db, "SELECT 1 FROM keys WHERE id = ?1;");
    exists.Bind(1, id);
    return exists.Step() == SQLITE_ROW;
}

}  // namespace

// What an operation needs of the file: to read it, to change it, or to change it and make it when
// it is missing. Reading and deleting never make the file.
enum class Need { Read, Change, Make };

struct CRegistryStore::Session {
    std::unique_ptr<sqlite::CConnection> connection;
    bool inTransaction = false;
    bool fileMissing = false;  // the last attempt to connect found no file

    sqlite::CConnection* Connect(Need need) {
        if (!connection) {
            const std::string path = StorePath();
            std::error_code ignored;
            fileMissing = !std::filesystem::exists(path, ignored);
            if (fileMissing && need != Need::Make) {
                return nullptr;
            }
            connection = sqlite::CConnection::Open(path, need == Need::Make);
        }
        if (!connection || (need != Need::Read && connection->IsReadOnly())) {
            return nullptr;
        }
        return connection.get();
    }
};

namespace {

// One atomic operation: its own transaction, or a savepoint inside the session's transaction.
// Writers take the write lock at the start, so two writers queue instead of failing on upgrade.
class COperation {
public:
    COperation(CRegistryStore::Session& session, Need need) {
        const bool write = need != Need::Read;
        m_connection = session.Connect(need);
        if (m_connection == nullptr) {
            return;
        }
        m_nested = session.inTransaction;
        const char* begin =
            m_nested ? "SAVEPOINT registry_operation;" : (write ? "BEGIN IMMEDIATE;" : "BEGIN;");
        if (!m_connection->Exec(begin)) {
            return;
        }
        m_open = true;
        if (write && !m_connection->EnsureSchema()) {
            Rollback();
        }
    }
    ~COperation() {
        if (m_open) {
            Rollback();
        }
    }
    COperation(const COperation&) = delete;
    COperation& operator=(const COperation&) = delete;

    explicit operator bool() const { return m_open; }
    sqlite3* Db() const { return m_connection->Get(); }

    bool Commit() {
        if (!m_open) {
            return false;
        }
        if (!m_connection->Exec(m_nested ? "RELEASE registry_operation;" : "COMMIT;")) {
            Rollback();
            return false;
        }
        m_open = false;
        return true;
    }

private:
    void Rollback() {
        m_connection->Exec(m_nested ? "ROLLBACK TO registry_operation; RELEASE registry_operation;"
                                    : "ROLLBACK;");
        m_open = false;
    }

    sqlite::CConnection* m_connection = nullptr;
    bool m_nested = false;
    bool m_open = false;
};

}  // namespace

struct CRegistryKey::Handle {
    CRegistryStore::Session* session;
    std::int64_t id;
    bool writable;
};

CRegistryKey::CRegistryKey() = default;
CRegistryKey::CRegistryKey(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}
CRegistryKey::~CRegistryKey() = default;
CRegistryKey::CRegistryKey(CRegistryKey&& other) noexcept = default;
CRegistryKey& CRegistryKey::operator=(CRegistryKey&& other) noexcept = default;

bool CRegistryKey::QueryValue(const std::string& name, RegistryValue& value) const {
    if (!m_handle) {
        return false;
    }
    COperation operation(*m_handle->session, Need::Read);
    if (!operation || !KeyExists(operation.Db(), m_handle->id)) {
        return false;
    }
    sqlite::CStatement query(operation.Db(), "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2;");
    query.Bind(1, m_handle->id).BindBytes(2, Fold(name));
    if (query.Step() != SQLITE_ROW) {
        return false;
    }
    value.type = static_cast<std::uint32_t>(query.ColumnInt(0));
    value.data = query.ColumnBytes(1);
    return operation.Commit();
}

bool CRegistryKey::SetValue(const std::string& name, const RegistryValue& value) {
    if (!m_handle || !m_handle->writable || name.size() > kMaxValueName) {
        return false;
    }
    COperation operation(*m_handle->session, Need::Make);
    if (!operation || !KeyExists(operation.Db(), m_handle->id)) {
        return false;
    }
    // An existing value keeps its place and the spelling of its name.
    sqlite::CStatement upsert(
        operation.Db(),
        "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
        " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data;");
    upsert.Bind(1, m_handle->id)
        .BindBytes(2, name)
        .BindBytes(3, Fold(name))
        .Bind(4, value.type)
        .BindBytes(5, value.data);
    return upsert.Step() == SQLITE_DONE && operation.Commit();
}

RegistryStatus CRegistryKey::DeleteValue(const std::string& name) {
    if (!m_handle || !m_handle->writable) {
        return RegistryStatus::Failed;
    }
    COperation operation(*m_handle->session, Need::Change);
    if (!operation || !KeyExists(operation.Db(), m_handle->id)) {
        return RegistryStatus::Failed;
    }
    sqlite::CStatement erase(operation.Db(), "DELETE FROM vals WHERE key = ?1 AND fold = ?2;");
    erase.Bind(1, m_handle->id).BindBytes(2, Fold(name));
    if (erase.Step() != SQLITE_DONE) {
        return RegistryStatus::Failed;
    }
    const bool found = sqlite3_changes(operation.Db()) > 0;
    if (!operation.Commit()) {
        return RegistryStatus::Failed;
    }
    return found ? RegistryStatus::Ok : RegistryStatus::NotFound;
}

bool CRegistryKey::EnumSubKeys(std::vector<std::string>& names) const {
    names.clear();
    if (!m_handle) {
        return false;
    }
    COperation operation(*m_handle->session, Need::Read);
    if (!operation || !KeyExists(operation.Db(), m_handle->id)) {
        return false;
    }
    sqlite::CStatement list(operation.Db(), "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold;");
    list.Bind(1, m_handle->id);
    int rc = SQLITE_ROW;
    while ((rc = list.Step()) == SQLITE_ROW) {
        names.push_back(list.ColumnText(0));
    }
    if (rc != SQLITE_DONE || !operation.Commit()) {
        names.clear();
        return false;
    }
    return true;
}

bool CRegistryKey::EnumValues(std::vector<NamedRegistryValue>& values) const {
    values.clear();
    if (!m_handle) {
        return false;
    }
    COperation operation(*m_handle->session, Need::Read);
    if (!operation || !KeyExists(operation.Db(), m_handle->id)) {
        return false;
    }
    sqlite::CStatement list(operation.Db(), "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id;");
    list.Bind(1, m_handle->id);
    int rc = SQLITE_ROW;
    while ((rc = list.Step()) == SQLITE_ROW) {
        values.push_back(
            {list.ColumnText(0), {static_cast<std::uint32_t>(list.ColumnInt(1)), list.ColumnBytes(2)}});
    }
    if (rc != SQLITE_DONE || !operation.Commit()) {
        values.clear();
        return false;
    }
    return true;
}

CRegistryStore::CRegistryStore() : m_session(std::make_unique<Session>()) {}

CRegistryStore::~CRegistryStore() {
    if (m_session->inTransaction) {
        RollbackTransaction();
    }
}

CRegistryKey CRegistryStore::OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) {
    std::vector<std::string> elements;
    if (!SplitKeyPath(path, elements)) {
        return {};
    }
    const bool writable = access == RegistryAccess::Write;
    COperation operation(*m_session, Need::Read);
    if (!operation || (writable && m_session->connection->IsReadOnly())) {
        return {};
    }
    const std::optional<std::int64_t> id = FindKey(operation.Db(), root, elements);
    if (!id || !operation.Commit()) {
        return {};
    }
    return CRegistryKey(
        std::make_unique<CRegistryKey::Handle>(CRegistryKey::Handle{m_session.get(), *id, writable}));
}

CRegistryKey CRegistryStore::CreateKey(RegistryRoot root, const std::string& path) {
    std::vector<std::string> elements;
    if (!SplitKeyPath(path, elements)) {
        return {};
    }
    COperation operation(*m_session, Need::Make);
    if (!operation) {
        return {};
    }
    std::int64_t id = static_cast<std::int64_t>(root);
    if (!KeyExists(operation.Db(), id)) {
        return {};
    }
    for (const std::string& element : elements) {
        if (const std::optional<std::int64_t> child = FindChild(operation.Db(), id, element)) {
            id = *child;
            continue;
        }
        sqlite::CStatement insert(operation.Db(), "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3);");
        insert.Bind(1, id).BindBytes(2, element).BindBytes(3, Fold(element));
        if (insert.Step() != SQLITE_DONE) {
            return {};
        }
        id = sqlite3_last_insert_rowid(operation.Db());
    }
    if (!operation.Commit()) {
        return {};
    }
    return CRegistryKey(
        std::make_unique<CRegistryKey::Handle>(CRegistryKey::Handle{m_session.get(), id, true}));
}

RegistryStatus CRegistryStore::DeleteTree(RegistryRoot root, const std::string& path) {
    std::vector<std::string> elements;
    if (!SplitKeyPath(path, elements) || elements.empty()) {
        return RegistryStatus::Failed;
    }
    COperation operation(*m_session, Need::Change);
    if (!operation) {
        return m_session->fileMissing ? RegistryStatus::NotFound : RegistryStatus::Failed;
    }
    const std::optional<std::int64_t> id = FindKey(operation.Db(), root, elements);
    if (!id) {
        return operation.Commit() ? RegistryStatus::NotFound : RegistryStatus::Failed;
    }
    // Sub-keys and values go with it (foreign keys cascade).
    sqlite::CStatement erase(operation.Db(), "DELETE FROM keys WHERE id = ?1;");
    erase.Bind(1, *id);
    if (erase.Step() != SQLITE_DONE || !operation.Commit()) {
        return RegistryStatus::Failed;
    }
    return RegistryStatus::Ok;
}

bool CRegistryStore::BeginTransaction() {
    if (m_session->inTransaction) {
        return false;
    }
    sqlite::CConnection* connection = m_session->Connect(Need::Make);
    if (connection == nullptr || !connection->Exec("BEGIN IMMEDIATE;")) {
        return false;
    }
    if (!connection->EnsureSchema()) {
        connection->Exec("ROLLBACK;");
        return false;
    }
    m_session->inTransaction = true;
    return true;
}

bool CRegistryStore::CommitTransaction() {
    if (!m_session->inTransaction) {
        return false;
    }
    m_session->inTransaction = false;
    if (!m_session->connection->Exec("COMMIT;")) {
        m_session->connection->Exec("ROLLBACK;");
        return false;
    }
    return true;
}

void CRegistryStore::RollbackTransaction() {
    if (m_session->inTransaction) {
        m_session->inTransaction = false;
        m_session->connection->Exec("ROLLBACK;");
    }
}

std::string CRegistryStore::Location() {
    return StorePath();
}

}  // namespace tessaly::platform
