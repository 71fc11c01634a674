// The registry seam over the Windows registry (ANSI functions). The registry has no transactions
// that every system offers (Wine lacks the transacted functions), so a session transaction notes
// how to undo each change and replays the notes when it is rolled back. Other programs may see a
// transaction's changes before it ends.
#include "platform/RegistryStore.h"
#include "platform/RegistryStoreWin32Api.h"
#include "platform/RegistryStoreWin32Undo.h"

namespace tessaly::platform {

using win32::KeyHandle;

struct RegistryStore::Session {
    win32::UndoJournal journal;
};

struct RegistryKey::Handle {
    KeyHandle key;
    RegistryStore::Session* session;
    RegistryRoot root;
    std::string path;
    bool writable;
};

RegistryKey::RegistryKey() = default;
RegistryKey::RegistryKey(std::unique_ptr<Handle> handle) : handle_(std::move(handle)) {}
RegistryKey::~RegistryKey() = default;
RegistryKey::RegistryKey(RegistryKey&& other) noexcept = default;
RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept = default;

bool RegistryKey::QueryValue(const std::string& name, RegistryValue& value) const {
    return handle_ && win32::ReadValue(handle_->key.get(), name, value);
}

bool RegistryKey::SetValue(const std::string& name, const RegistryValue& value) {
    if (!handle_ || !handle_->writable ||
        !handle_->session->journal.BeforeValueChange(handle_->root, handle_->path, handle_->key.get(),
                                                     name)) {
        return false;
    }
    return win32::WriteValue(handle_->key.get(), name, value);
}

RegistryStatus RegistryKey::DeleteValue(const std::string& name) {
    if (!handle_ || !handle_->writable ||
        !handle_->session->journal.BeforeValueChange(handle_->root, handle_->path, handle_->key.get(),
                                                     name)) {
        return RegistryStatus::Failed;
    }
    return win32::StatusOf(RegDeleteValueA(handle_->key.get(), name.c_str()));
}

bool RegistryKey::EnumSubKeys(std::vector<std::string>& names) const {
    names.clear();
    return handle_ && win32::ListSubKeys(handle_->key.get(), names);
}

bool RegistryKey::EnumValues(std::vector<NamedRegistryValue>& values) const {
    values.clear();
    return handle_ && win32::ListValues(handle_->key.get(), values);
}

RegistryStore::RegistryStore() : session_(std::make_unique<Session>()) {}

RegistryStore::~RegistryStore() {
    RollbackTransaction();
}

RegistryKey RegistryStore::OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) {
    const bool writable = access == RegistryAccess::Write;
    KeyHandle key = win32::OpenPath(root, path, writable ? (KEY_READ | KEY_WRITE) : KEY_READ);
    if (!key) {
        return {};
    }
    return RegistryKey(std::make_unique<RegistryKey::Handle>(
        RegistryKey::Handle{std::move(key), session_.get(), root, path, writable}));
}

RegistryKey RegistryStore::CreateKey(RegistryRoot root, const std::string& path) {
    if (!session_->journal.BeforeCreate(root, path)) {
        return {};
    }
    KeyHandle key = win32::CreatePath(root, path);
    if (!key) {
        return {};
    }
    return RegistryKey(std::make_unique<RegistryKey::Handle>(
        RegistryKey::Handle{std::move(key), session_.get(), root, path, true}));
}

RegistryStatus RegistryStore::DeleteTree(RegistryRoot root, const std::string& path) {
    if (path.find_first_not_of('\\') == std::string::npos) {
        return RegistryStatus::Failed;  // a root is never deleted
    }
    if (!session_->journal.BeforeDeleteTree(root, path)) {
        return RegistryStatus::Failed;
    }
    return win32::DeletePath(root, path);
}

bool RegistryStore::BeginTransaction() {
    if (session_->journal.Active()) {
        return false;
    }
    session_->journal.Start();
    return true;
}

bool RegistryStore::CommitTransaction() {
    if (!session_->journal.Active()) {
        return false;
    }
    session_->journal.Finish();
    return true;
}

void RegistryStore::RollbackTransaction() {
    if (session_->journal.Active()) {
        session_->journal.RollBack();
    }
}

std::string RegistryStore::Location() {
    return "the Windows registry";
}

}  // namespace tessaly::platform
