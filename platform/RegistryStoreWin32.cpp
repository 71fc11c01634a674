// The registry seam over the Windows registry (ANSI functions). A session transaction is a kernel
// transaction: keys opened inside it, and everything done through them, commit or roll back together.
#include <windows.h>

#include <ktmw32.h>
#include <shlwapi.h>

#include <limits>
#include <type_traits>

#include "platform/RegistryStore.h"

namespace tessaly::platform {
namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using KeyHandle = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct TransactionCloser {
    void operator()(HANDLE transaction) const { CloseHandle(transaction); }
};
using TransactionHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, TransactionCloser>;

HKEY RootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::Users:
            return HKEY_USERS;
        case RegistryRoot::CurrentConfig:
            return HKEY_CURRENT_CONFIG;
    }
    return nullptr;
}

REGSAM AccessMask(RegistryAccess access) {
    return access == RegistryAccess::Write ? (KEY_READ | KEY_WRITE) : KEY_READ;
}

RegistryStatus StatusOf(LONG result) {
    if (result == ERROR_SUCCESS) {
        return RegistryStatus::Ok;
    }
    return result == ERROR_FILE_NOT_FOUND ? RegistryStatus::NotFound : RegistryStatus::Failed;
}

}  // namespace

struct RegistryStore::Session {
    TransactionHandle transaction;

    HANDLE Transaction() const { return transaction ? transaction.get() : nullptr; }
};

struct RegistryKey::Handle {
    KeyHandle key;
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
    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG result = RegQueryValueExA(handle_->key.get(), name.c_str(), nullptr, &type, nullptr, &size);
    std::vector<std::uint8_t> data;
    // The value may grow between the size query and the read; ask again then.
    while (result == ERROR_SUCCESS || result == ERROR_MORE_DATA) {
        data.resize(size);
        DWORD got = size;
        result = RegQueryValueExA(handle_->key.get(), name.c_str(), nullptr, &type,
                                  data.empty() ? nullptr : data.data(), &got);
        if (result == ERROR_SUCCESS) {
            // The first answer may overstate the size of a text; keep what was returned.
            data.resize(got < data.size() ? got : data.size());
            value.type = type;
            value.data = std::move(data);
            return true;
        }
        size = got;
    }
    return false;
}

bool RegistryKey::SetValue(const std::string& name, const RegistryValue& value) {
    if (!handle_ || value.data.size() > std::numeric_limits<DWORD>::max()) {
        return false;
    }
    return RegSetValueExA(handle_->key.get(), name.c_str(), 0, value.type,
                          value.data.empty() ? nullptr : value.data.data(),
                          static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
}

RegistryStatus RegistryKey::DeleteValue(const std::string& name) {
    if (!handle_) {
        return RegistryStatus::Failed;
    }
    return StatusOf(RegDeleteValueA(handle_->key.get(), name.c_str()));
}

bool RegistryKey::EnumSubKeys(std::vector<std::string>& names) const {
    names.clear();
    if (!handle_) {
        return false;
    }
    DWORD longest = 0;
    if (RegQueryInfoKeyA(handle_->key.get(), nullptr, nullptr, nullptr, nullptr, &longest, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<char> buffer(static_cast<std::size_t>(longest) + 1);
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        const LONG result = RegEnumKeyExA(handle_->key.get(), index, buffer.data(), &length, nullptr, nullptr,
                                          nullptr, nullptr);
        if (result == ERROR_MORE_DATA) {
            // A longer name appeared since the size query: retry this index with a larger buffer.
            buffer.resize(buffer.size() * 2);
            --index;
            continue;
        }
        if (result != ERROR_SUCCESS) {
            if (result != ERROR_NO_MORE_ITEMS) {
                names.clear();
                return false;
            }
            return true;
        }
        names.emplace_back(buffer.data(), length);
    }
}

bool RegistryKey::EnumValues(std::vector<NamedRegistryValue>& values) const {
    values.clear();
    if (!handle_) {
        return false;
    }
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (RegQueryInfoKeyA(handle_->key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                         &longestName, &longestData, nullptr, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<char> name(static_cast<std::size_t>(longestName) + 1);
    std::vector<std::uint8_t> data(static_cast<std::size_t>(longestData) + 1);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG result = RegEnumValueA(handle_->key.get(), index, name.data(), &nameLength, nullptr, &type,
                                          data.data(), &dataLength);
        if (result == ERROR_MORE_DATA) {
            name.resize(name.size() * 2);
            data.resize(data.size() * 2);
            --index;
            continue;
        }
        if (result != ERROR_SUCCESS) {
            if (result != ERROR_NO_MORE_ITEMS) {
                values.clear();
                return false;
            }
            return true;
        }
        values.push_back({std::string(name.data(), nameLength),
                          {type, std::vector<std::uint8_t>(data.begin(), data.begin() + dataLength)}});
    }
}

RegistryStore::RegistryStore() : session_(std::make_unique<Session>()) {}

RegistryStore::~RegistryStore() {
    if (session_->transaction) {
        RollbackTransaction();
    }
}

RegistryKey RegistryStore::OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) {
    HKEY raw = nullptr;
    const LONG result = session_->transaction
                            ? RegOpenKeyTransactedA(RootKey(root), path.c_str(), 0, AccessMask(access), &raw,
                                                    session_->Transaction(), nullptr)
                            : RegOpenKeyExA(RootKey(root), path.c_str(), 0, AccessMask(access), &raw);
    KeyHandle key(raw);
    if (result != ERROR_SUCCESS || !key) {
        return {};
    }
    return RegistryKey(std::make_unique<RegistryKey::Handle>(RegistryKey::Handle{std::move(key)}));
}

RegistryKey RegistryStore::CreateKey(RegistryRoot root, const std::string& path) {
    HKEY raw = nullptr;
    DWORD disposition = 0;
    const REGSAM access = AccessMask(RegistryAccess::Write);
    const LONG result =
        session_->transaction
            ? RegCreateKeyTransactedA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      access, nullptr, &raw, &disposition, session_->Transaction(), nullptr)
            : RegCreateKeyExA(RootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                              nullptr, &raw, &disposition);
    KeyHandle key(raw);
    if (result != ERROR_SUCCESS || !key) {
        return {};
    }
    return RegistryKey(std::make_unique<RegistryKey::Handle>(RegistryKey::Handle{std::move(key)}));
}

RegistryStatus RegistryStore::DeleteTree(RegistryRoot root, const std::string& path) {
    // Never the whole root: an empty path would name it.
    if (path.find_first_not_of('\\') == std::string::npos) {
        return RegistryStatus::Failed;
    }
    if (!session_->transaction) {
        return StatusOf(static_cast<LONG>(SHDeleteKeyA(RootKey(root), path.c_str())));
    }
    HKEY raw = nullptr;
    LONG result = RegOpenKeyTransactedA(RootKey(root), path.c_str(), 0,
                                        DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE | KEY_SET_VALUE,
                                        &raw, session_->Transaction(), nullptr);
    KeyHandle key(raw);
    if (result != ERROR_SUCCESS) {
        return StatusOf(result);
    }
    // Empty the key through its transacted handle, then remove the key itself.
    result = RegDeleteTreeA(key.get(), nullptr);
    key.reset();
    if (result != ERROR_SUCCESS) {
        return RegistryStatus::Failed;
    }
    result = RegDeleteKeyTransactedA(RootKey(root), path.c_str(), 0, 0, session_->Transaction(), nullptr);
    return result == ERROR_SUCCESS ? RegistryStatus::Ok : RegistryStatus::Failed;
}

bool RegistryStore::BeginTransaction() {
    if (session_->transaction) {
        return false;
    }
    HANDLE raw = CreateTransaction(nullptr, nullptr, 0, 0, 0, 0, nullptr);
    if (raw == INVALID_HANDLE_VALUE || raw == nullptr) {
        return false;
    }
    session_->transaction.reset(raw);
    return true;
}

bool RegistryStore::CommitTransaction() {
    if (!session_->transaction) {
        return false;
    }
    TransactionHandle transaction = std::move(session_->transaction);
    if (::CommitTransaction(transaction.get()) == FALSE) {
        ::RollbackTransaction(transaction.get());
        return false;
    }
    return true;
}

void RegistryStore::RollbackTransaction() {
    if (session_->transaction) {
        TransactionHandle transaction = std::move(session_->transaction);
        ::RollbackTransaction(transaction.get());
    }
}

std::string RegistryStore::Location() {
    return "the Windows registry";
}

}  // namespace tessaly::platform
