#include "platform/RegistryStoreWin32Undo.h"

namespace tessaly::platform::win32 {
namespace {

constexpr REGSAM kReadAccess = KEY_READ;

// `view` is the registry view of the tree: every relative open names it again.
bool Save(HKEY key, REGSAM view, SavedKey& saved) {
    std::vector<std::string> names;
    if (!ListValues(key, saved.values) || !ListSubKeys(key, names)) {
        return false;
    }
    for (const std::string& name : names) {
        HKEY raw = nullptr;
        if (RegOpenKeyExA(key, name.c_str(), 0, kReadAccess | view, &raw) != ERROR_SUCCESS) {
            return false;
        }
        const KeyHandle child(raw);
        saved.subKeys.emplace_back(name, SavedKey{});
        if (!Save(child.get(), view, saved.subKeys.back().second)) {
            return false;
        }
    }
    return true;
}

void Restore(RegistryRoot root, const std::string& path, const SavedKey& saved) {
    const KeyHandle key = CreatePath(root, path);
    if (!key) {
        return;
    }
    for (const NamedRegistryValue& value : saved.values) {
        WriteValue(key.get(), value.name, value.value);
    }
    for (const auto& [name, child] : saved.subKeys) {
        Restore(root, path + "\\" + name, child);
    }
}

}  // namespace

void CUndoJournal::Start() {
    m_steps.clear();
    m_active = true;
}

void CUndoJournal::Finish() {
    m_steps.clear();
    m_active = false;
}

void CUndoJournal::RollBack() {
    for (auto step = m_steps.rbegin(); step != m_steps.rend(); ++step) {
        switch (step->kind) {
            case Kind::RemoveKey:
                DeletePath(step->root, step->path);
                break;
            case Kind::RemoveValue:
                if (const KeyHandle key = OpenPath(step->root, step->path, KEY_SET_VALUE)) {
                    RegDeleteValueA(key.get(), step->name.c_str());
                }
                break;
            case Kind::RestoreValue:
                if (const KeyHandle key = CreatePath(step->root, step->path)) {
                    WriteValue(key.get(), step->name, step->value);
                }
                break;
            case Kind::RestoreTree:
                Restore(step->root, step->path, step->tree);
                break;
        }
    }
    Finish();
}

bool CUndoJournal::BeforeCreate(RegistryRoot root, const std::string& path) {
    if (!m_active) {
        return true;
    }
    // The first key on the path that is missing goes again, with whatever is made below it.
    std::size_t end = 0;
    while (end != std::string::npos) {
        end = path.find('\\', end + 1);
        const std::string prefix = path.substr(0, end);
        if (prefix.empty()) {
            return true;
        }
        LONG result = ERROR_SUCCESS;
        if (!OpenPath(root, prefix, kReadAccess, &result)) {
            if (result != ERROR_FILE_NOT_FOUND) {
                return false;
            }
            m_steps.push_back({Kind::RemoveKey, root, prefix, {}, {}, {}});
            return true;
        }
    }
    return true;
}

bool CUndoJournal::BeforeValueChange(RegistryRoot root, const std::string& path, HKEY key,
                                     const std::string& name) {
    if (!m_active) {
        return true;
    }
    RegistryValue old;
    if (ReadValue(key, name, old)) {
        m_steps.push_back({Kind::RestoreValue, root, path, name, std::move(old), {}});
    } else {
        m_steps.push_back({Kind::RemoveValue, root, path, name, {}, {}});
    }
    return true;
}

bool CUndoJournal::BeforeDeleteTree(RegistryRoot root, const std::string& path) {
    if (!m_active) {
        return true;
    }
    LONG result = ERROR_SUCCESS;
    const KeyHandle key = OpenPath(root, path, kReadAccess, &result);
    if (!key) {
        return result == ERROR_FILE_NOT_FOUND;  // nothing to delete, nothing to note
    }
    Step step{Kind::RestoreTree, root, path, {}, {}, {}};
    if (!Save(key.get(), ViewOf(root, path), step.tree)) {
        return false;
    }
    m_steps.push_back(std::move(step));
    return true;
}

}  // namespace tessaly::platform::win32
