// What a Windows store transaction changed, kept so that a failed transaction can be put back.
// The registry commits every call by itself; rolling back replays these notes, newest first.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/RegistryStoreWin32Api.h"

namespace tessaly::platform::win32 {

// A key with its values and everything below it.
struct SavedKey {
    std::vector<NamedRegistryValue> values;
    std::vector<std::pair<std::string, SavedKey>> subKeys;
};

class CUndoJournal {
public:
    void Start();
    bool Active() const { return m_active; }
    // Forgets the notes (the transaction stands).
    void Finish();
    // Puts back everything noted, newest first, and forgets the notes.
    void RollBack();

    // Each returns false when it cannot note what it needs; the change must not be made then.
    bool BeforeCreate(RegistryRoot root, const std::string& path);
    bool BeforeValueChange(RegistryRoot root, const std::string& path, HKEY key, const std::string& name);
    bool BeforeDeleteTree(RegistryRoot root, const std::string& path);

private:
    enum class Kind { RemoveKey, RemoveValue, RestoreValue, RestoreTree };
    struct Step {
        Kind kind;
        RegistryRoot root;
        std::string path;
        std::string name;
        RegistryValue value;
        SavedKey tree;
    };

    std::vector<Step> m_steps;
    bool m_active = false;
};

}  // namespace tessaly::platform::win32
