#include "tools/tessaly-reg/RegTransfer.h"

#include <array>

#include "common/Format.h"

namespace tessaly::tools {
namespace {

using platform::RegistryRoot;

constexpr std::array<RegistryRoot, 5> kExportOrder = {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser,
                                                      RegistryRoot::LocalMachine, RegistryRoot::Users,
                                                      RegistryRoot::CurrentConfig};

bool Fail(platform::CRegistryStore& store, std::string& error, std::string message) {
    store.RollbackTransaction();
    error = std::move(message) + "; nothing was imported";
    return false;
}

}  // namespace

bool ExportKey(platform::CRegistryStore& store, RegistryRoot root, const std::string& path, std::string& text,
               std::string& error) {
    const std::string keyLine = RegKeyLine(root, path);
    if (path.find_first_of("\r\n") != std::string::npos) {
        error = "the key " + keyLine + " holds a line break; a .reg file cannot carry it";
        return false;
    }
    const platform::CRegistryKey key = store.OpenKey(root, path, platform::RegistryAccess::Read);
    std::vector<platform::NamedRegistryValue> values;
    std::vector<std::string> subKeys;
    if (!key.IsOpen() || !key.EnumValues(values) || !key.EnumSubKeys(subKeys)) {
        error = "cannot read the key " + keyLine + " in " + platform::CRegistryStore::Location();
        return false;
    }
    text += keyLine;
    text += '\n';
    for (const platform::NamedRegistryValue& value : values) {
        std::string line;
        if (!RegValueLine(value, line, error)) {
            error = "in " + keyLine + ": " + error;
            return false;
        }
        text += line;
        text += '\n';
    }
    text += '\n';
    for (const std::string& name : subKeys) {
        if (!ExportKey(store, root, path.empty() ? name : path + "\\" + name, text, error)) {
            return false;
        }
    }
    return true;
}

bool ExportAll(platform::CRegistryStore& store, std::string& text, std::string& error) {
    text = std::string(kRegFileHeader) + "\n\n";
    for (RegistryRoot root : kExportOrder) {
        if (!ExportKey(store, root, "", text, error)) {
            return false;
        }
    }
    return true;
}

bool ApplyRegFile(platform::CRegistryStore& store, const std::vector<RegFileEntry>& entries,
                  std::string& error) {
    if (!store.BeginTransaction()) {
        error = "cannot open " + platform::CRegistryStore::Location() + " for writing; nothing was imported";
        return false;
    }
    for (const RegFileEntry& entry : entries) {
        const std::string where = FormatText("line %d: ", entry.line);
        const std::string keyLine = RegKeyLine(entry.root, entry.path);
        switch (entry.kind) {
            case RegFileEntry::Kind::CreateKey:
                if (!store.CreateKey(entry.root, entry.path).IsOpen()) {
                    return Fail(store, error, where + "cannot create the key " + keyLine);
                }
                break;
            case RegFileEntry::Kind::DeleteKey:
                // A key that is not there is already deleted.
                if (store.DeleteTree(entry.root, entry.path) == platform::RegistryStatus::Failed) {
                    return Fail(store, error, where + "cannot delete the key " + keyLine);
                }
                break;
            case RegFileEntry::Kind::SetValue: {
                platform::CRegistryKey key = store.CreateKey(entry.root, entry.path);
                if (!key.IsOpen() || !key.SetValue(entry.name, entry.value)) {
                    return Fail(store, error,
                                where + "cannot set the value \"" + entry.name + "\" in " + keyLine);
                }
                break;
            }
            case RegFileEntry::Kind::DeleteValue: {
                platform::CRegistryKey key = store.CreateKey(entry.root, entry.path);
                if (!key.IsOpen() || key.DeleteValue(entry.name) == platform::RegistryStatus::Failed) {
                    return Fail(store, error,
                                where + "cannot delete the value \"" + entry.name + "\" in " + keyLine);
                }
                break;
            }
        }
    }
    if (!store.CommitTransaction()) {
        error =
            "cannot commit the changes to " + platform::CRegistryStore::Location() + "; nothing was imported";
        return false;
    }
    return true;
}

}  // namespace tessaly::tools
