// The registry seam over the Windows registry (ANSI functions). The registry has no transactions
// that every system offers (Wine lacks the transacted functions), so a session transaction notes
// how to undo each change and replays the notes when it is rolled back. Other programs may see a
// transaction's changes before it ends.
#include "platform/RegistryStore.h"
#include "platform/RegistryStoreWin32Api.h"
#include "platform/RegistryStoreWin32Undo.h"

namespace tessaly::platform {

using win32::KeyHandle;

struct CRegistryStore::Session {
    win32::CUndoJournal journal;
};

struct CRegistryKey::Handle {
    KeyHandle key;
    CRegistryStore::Session* session;
    RegistryRoot root;
    std::string path;
    bool writable;
};

CRegistryKey::CRegistryKey() = default;
CRegistryKey::CRegistryKey(std::unique_ptr<Handle> handle) : m_handle(std::move(handle)) {}
CRegistryKey::~CRegistryKey() = default;
CRegistryKey::CRegistryKey(CRegistryKey&& other) noexcept = default;
CRegistryKey& CRegistryKey::operator=(CRegistryKey&& other) noexcept = default;

bool CRegistryKey::QueryValue(const std::string& name, RegistryValue& value) const {
    return m_handle && win32::ReadValue(m_handle->key.get(), name, value);
}

bool CRegistryKey::SetValue(const std::string& name, const RegistryValue& value) {
    if (!m_handle || !m_handle->writable ||
        !m_handle->session->journal.BeforeValueChange(m_handle->root, m_handle->path, m_handle->key.get(),
                                                      name)) {
        return false;
    }
    return win32::WriteValue(m_handle->key.get(), name, value);
}

RegistryStatus CRegistryKey::DeleteValue(const std::string& name) {
    if (!m_handle || !m_handle->writable ||
        !m_handle->session->journal.BeforeValueChange(m_handle->root, m_handle->path, m_handle->key.get(),
                                                      name)) {
        return RegistryStatus::Failed;
    }
    return win32::StatusOf(RegDeleteValueA(m_handle->key.get(), name.c_str()));
}

bool CRegistryKey::EnumSubKeys(std::vector<std::string>& names) const {
    names.clear();
    return m_handle && win32::ListSubKeys(m_handle->key.get(), names);
}

bool CRegistryKey::EnumValues(std::vector<NamedRegistryValue>& values) const {
    values.clear();
    return m_handle && win32::ListValues(m_handle->key.get(), values);
}

CRegistryStore::CRegistryStore() : m_session(std::make_unique<Session>()) {}

CRegistryStore::~CRegistryStore() {
    RollbackTransaction();
}

CRegistryKey CRegistryStore::OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) {
    const bool writable = access == RegistryAccess::Write;
    KeyHandle key = win32::OpenPath(root, path, writable ? (KEY_READ | KEY_WRITE) : KEY_READ);
    if (!key) {
        return {};
    }
    return CRegistryKey(std::make_unique<CRegistryKey::Handle>(
        CRegistryKey::Handle{std::move(key), m_session.get(), root, path, writable}));
}

CRegistryKey CRegistryStore::CreateKey(RegistryRoot root, const std::string& path) {
    if (!m_session->journal.BeforeCreate(root, path)) {
        return {};
    }
    KeyHandle key = win32::CreatePath(root, path);
    if (!key) {
        return {};
    }
    return CRegistryKey(std::make_unique<CRegistryKey::Handle>(
        CRegistryKey::Handle{std::move(key), m_session.get(), root, path, true}));
}

RegistryStatus CRegistryStore::DeleteTree(RegistryRoot root, const std::string& path) {
    if (path.find_first_not_of('\\') == std::string::npos) {
        return RegistryStatus::Failed;  // a root is never deleted
    }
    if (!m_session->journal.BeforeDeleteTree(root, path)) {
        return RegistryStatus::Failed;
    }
    return win32::DeletePath(root, path);
}

bool CRegistryStore::BeginTransaction() {
    if (m_session->journal.Active()) {
        return false;
    }
    m_session->journal.Start();
    return true;
}

bool CRegistryStore::CommitTransaction() {
    if (!m_session->journal.Active()) {
        return false;
    }
    m_session->journal.Finish();
    return true;
}

void CRegistryStore::RollbackTransaction() {
    if (m_session->journal.Active()) {
        m_session->journal.RollBack();
    }
}

std::string CRegistryStore::Location() {
    return "the Windows registry";
}

}  // namespace tessaly::platform
