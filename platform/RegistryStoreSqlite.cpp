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
    sqlite::Statement find(db, "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2;");
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
    sqlite::Statement exists(db, "SELECT 1 FROM keys WHERE id = ?1;");
    exists.Bind(1, id);
    return exists.Step() == SQLITE_ROW;
}

}  // namespace

// What an operation needs of the file: to read it, to change it, or to change it and make it when
// it is missing. Reading and deleting never make the file.
enum class Need { Read, Change, Make };

struct RegistryStore::Session {
    std::unique_ptr<sqlite::Connection> connection;
    bool inTransaction = false;
    bool fileMissing = false;  // the last attempt to connect found no file

    sqlite::Connection* Connect(Need need) {
        if (!connection) {
            const std::string path = StorePath();
            std::error_code ignored;
            fileMissing = !std::filesystem::exists(path, ignored);
            if (fileMissing && need != Need::Make) {
                return nullptr;
            }
            connection = sqlite::Connection::Open(path, need == Need::Make);
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
class Operation {
public:
    Operation(RegistryStore::Session& session, Need need) {
        const bool write = need != Need::Read;
        connection_ = session.Connect(need);
        if (connection_ == nullptr) {
            return;
        }
        nested_ = session.inTransaction;
        const char* begin =
            nested_ ? "SAVEPOINT registry_operation;" : (write ? "BEGIN IMMEDIATE;" : "BEGIN;");
        if (!connection_->Exec(begin)) {
            return;
        }
        open_ = true;
        if (write && !connection_->EnsureSchema()) {
            Rollback();
        }
    }
    ~Operation() {
        if (open_) {
            Rollback();
        }
    }
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    explicit operator bool() const { return open_; }
    sqlite3* Db() const { return connection_->Get(); }

    bool Commit() {
        if (!open_) {
            return false;
        }
        if (!connection_->Exec(nested_ ? "RELEASE registry_operation;" : "COMMIT;")) {
            Rollback();
            return false;
        }
        open_ = false;
        return true;
    }

private:
    void Rollback() {
        connection_->Exec(nested_ ? "ROLLBACK TO registry_operation; RELEASE registry_operation;"
                                  : "ROLLBACK;");
        open_ = false;
    }

    sqlite::Connection* connection_ = nullptr;
    bool nested_ = false;
    bool open_ = false;
};

}  // namespace

struct RegistryKey::Handle {
    RegistryStore::Session* session;
    std::int64_t id;
    bool writable;
};

RegistryKey::RegistryKey() = default;
RegistryKey::RegistryKey(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;

bool RegistryKey::QueryValue(const std::string& name, RegistryValue& value) const {
    if (!handle_) {
        return false;
    }
    Operation operation(*handle_->session, Need::Read);
    if (!operation || !KeyExists(operation.Db(), handle_->id)) {
        return false;
    }
    sqlite::Statement query(operation.Db(), "SELECT type, data FROM vals WHERE key = ?1 AND fold = ?2;");
    query.Bind(1, handle_->id).BindBytes(2, Fold(name));
    if (query.Step() != SQLITE_ROW) {
        return false;
    }
    value.type = static_cast<std::uint32_t>(query.ColumnInt(0));
    value.data = query.ColumnBytes(1);
    return operation.Commit();
}

bool RegistryKey::SetValue(const std::string& name, const RegistryValue& value) {
    if (!handle_ || !handle_->writable || name.size() > kMaxValueName) {
        return false;
    }
    Operation operation(*handle_->session, Need::Make);
    if (!operation || !KeyExists(operation.Db(), handle_->id)) {
        return false;
    }
    // An existing value keeps its place and the spelling of its name.
    sqlite::Statement upsert(
        operation.Db(),
        "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5)"
        " ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data;");
    upsert.Bind(1, handle_->id)
        .BindBytes(2, name)
        .BindBytes(3, Fold(name))
        .Bind(4, value.type)
        .BindBytes(5, value.data);
    return upsert.Step() == SQLITE_DONE && operation.Commit();
}

RegistryStatus RegistryKey::DeleteValue(const std::string& name) {
    if (!handle_ || !handle_->writable) {
        return RegistryStatus::Failed;
    }
    Operation operation(*handle_->session, Need::Change);
    if (!operation || !KeyExists(operation.Db(), handle_->id)) {
        return RegistryStatus::Failed;
    }
    sqlite::Statement erase(operation.Db(), "DELETE FROM vals WHERE key = ?1 AND fold = ?2;");
    erase.Bind(1, handle_->id).BindBytes(2, Fold(name));
    if (erase.Step() != SQLITE_DONE) {
        return RegistryStatus::Failed;
    }
    const bool found = sqlite3_changes(operation.Db()) > 0;
    if (!operation.Commit()) {
        return RegistryStatus::Failed;
    }
    return found ? RegistryStatus::Ok : RegistryStatus::NotFound;
}

bool RegistryKey::EnumSubKeys(std::vector<std::string>& names) const {
    names.clear();
    if (!handle_) {
        return false;
    }
    Operation operation(*handle_->session, Need::Read);
    if (!operation || !KeyExists(operation.Db(), handle_->id)) {
        return false;
    }
    sqlite::Statement list(operation.Db(), "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold;");
    list.Bind(1, handle_->id);
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

bool RegistryKey::EnumValues(std::vector<NamedRegistryValue>& values) const {
    values.clear();
    if (!handle_) {
        return false;
    }
    Operation operation(*handle_->session, Need::Read);
    if (!operation || !KeyExists(operation.Db(), handle_->id)) {
        return false;
    }
    sqlite::Statement list(operation.Db(), "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id;");
    list.Bind(1, handle_->id);
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

RegistryStore::RegistryStore() : session_(std::make_unique<Session>()) {}

RegistryStore::~RegistryStore() {
    if (session_->inTransaction) {
        RollbackTransaction();
    }
}

RegistryKey RegistryStore::OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) {
    std::vector<std::string> elements;
    if (!SplitKeyPath(path, elements)) {
        return {};
    }
    const bool writable = access == RegistryAccess::Write;
    Operation operation(*session_, Need::Read);
    if (!operation || (writable && session_->connection->IsReadOnly())) {
        return {};
    }
    const std::optional<std::int64_t> id = FindKey(operation.Db(), root, elements);
    if (!id || !operation.Commit()) {
        return {};
    }
    return RegistryKey(
        std::make_unique<RegistryKey::Handle>(RegistryKey::Handle{session_.get(), *id, writable}));
}

RegistryKey RegistryStore::CreateKey(RegistryRoot root, const std::string& path) {
    std::vector<std::string> elements;
    if (!SplitKeyPath(path, elements)) {
        return {};
    }
    Operation operation(*session_, Need::Make);
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
        sqlite::Statement insert(operation.Db(), "INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3);");
        insert.Bind(1, id).BindBytes(2, element).BindBytes(3, Fold(element));
        if (insert.Step() != SQLITE_DONE) {
            return {};
        }
        id = sqlite3_last_insert_rowid(operation.Db());
    }
    if (!operation.Commit()) {
        return {};
    }
    return RegistryKey(std::make_unique<RegistryKey::Handle>(RegistryKey::Handle{session_.get(), id, true}));
}

RegistryStatus RegistryStore::DeleteTree(RegistryRoot root, const std::string& path) {
    std::vector<std::string> elements;
    if (!SplitKeyPath(path, elements) || elements.empty()) {
        return RegistryStatus::Failed;
    }
    Operation operation(*session_, Need::Change);
    if (!operation) {
        return session_->fileMissing ? RegistryStatus::NotFound : RegistryStatus::Failed;
    }
    const std::optional<std::int64_t> id = FindKey(operation.Db(), root, elements);
    if (!id) {
        return operation.Commit() ? RegistryStatus::NotFound : RegistryStatus::Failed;
    }
    // Sub-keys and values go with it (foreign keys cascade).
    sqlite::Statement erase(operation.Db(), "DELETE FROM keys WHERE id = ?1;");
    erase.Bind(1, *id);
    if (erase.Step() != SQLITE_DONE || !operation.Commit()) {
        return RegistryStatus::Failed;
    }
    return RegistryStatus::Ok;
}

bool RegistryStore::BeginTransaction() {
    if (session_->inTransaction) {
        return false;
    }
    sqlite::Connection* connection = session_->Connect(Need::Make);
    if (connection == nullptr || !connection->Exec("BEGIN IMMEDIATE;")) {
        return false;
    }
    if (!connection->EnsureSchema()) {
        connection->Exec("ROLLBACK;");
        return false;
    }
    session_->inTransaction = true;
    return true;
}

bool RegistryStore::CommitTransaction() {
    if (!session_->inTransaction) {
        return false;
    }
    session_->inTransaction = false;
    if (!session_->connection->Exec("COMMIT;")) {
        session_->connection->Exec("ROLLBACK;");
        return false;
    }
    return true;
}

void RegistryStore::RollbackTransaction() {
    if (session_->inTransaction) {
        session_->inTransaction = false;
        session_->connection->Exec("ROLLBACK;");
    }
}

std::string RegistryStore::Location() {
    return StorePath();
}

}  // namespace tessaly::platform
