#include "common/registry/RegistryPath.h"

#include "common/registry/RegistryRoots.h"
#include "common/registry/SplitText.h"

namespace tessaly {

using platform::RegistryAccess;
using platform::RegistryStatus;
using platform::RegistryValue;

CRegistryPath::CRegistryPath(const CString& path, bool namesKey) : namesKey_(namesKey) {
    SplitText(elements_, path, '\\');
    if (elements_.empty()) {
        return;
    }
    root_ = RegistryRootFromName(elements_.front());
    const std::size_t m = namesKey ? elements_.size() : elements_.size() - 1;
    if (m < 2) {
        return;
    }
    keyPath_ = elements_[1];
    for (std::size_t i = 2; i < m; ++i) {
        keyPath_ += '\\';
        keyPath_ += elements_[i];
    }
}

CRegistryPath::~CRegistryPath() {
    CloseKey();
}

CString CRegistryPath::ValueName() const {
    if (namesKey_ || elements_.empty()) {
        return {};
    }
    return elements_.back();
}

bool CRegistryPath::OpenKey(RegistryAccess access) {
    CloseKey();
    if (!root_) {
        return false;
    }
    openKey_ = store_.OpenKey(*root_, keyPath_, access);
    return openKey_.IsOpen();
}

bool CRegistryPath::CreateKey() {
    CloseKey();
    if (!root_) {
        return false;
    }
    openKey_ = store_.CreateKey(*root_, keyPath_);
    return openKey_.IsOpen();
}

void CRegistryPath::CloseKey() {
    openKey_ = platform::RegistryKey();
}

bool CRegistryPath::GetDWord(std::uint32_t& value) {
    RegistryValue stored;
    if (!OpenKey(RegistryAccess::Read) || !openKey_.QueryValue(ValueName(), stored) ||
        stored.type != platform::kRegDword || stored.data.size() != 4) {
        return false;
    }
    value = static_cast<std::uint32_t>(stored.data[0]) | (static_cast<std::uint32_t>(stored.data[1]) << 8) |
            (static_cast<std::uint32_t>(stored.data[2]) << 16) |
            (static_cast<std::uint32_t>(stored.data[3]) << 24);
    return true;
}

bool CRegistryPath::GetString(CString& text) {
    RegistryValue stored;
    if (!OpenKey(RegistryAccess::Read) || !openKey_.QueryValue(ValueName(), stored)) {
        return false;
    }
    // Only a terminator is dropped: a text stored without one keeps its last character.
    std::size_t length = stored.data.size();
    if (length > 0 && stored.data[length - 1] == 0) {
        --length;
    }
    text.assign(reinterpret_cast<const char*>(stored.data.data()), length);
    return true;
}

bool CRegistryPath::GetText(CString& text) {
    RegistryValue stored;
    if (!OpenKey(RegistryAccess::Read) || !openKey_.QueryValue(ValueName(), stored) ||
        (stored.type != platform::kRegSz && stored.type != platform::kRegExpandSz)) {
        return false;
    }
    std::size_t length = 0;
    while (length < stored.data.size() && stored.data[length] != 0) {
        ++length;
    }
    text.assign(reinterpret_cast<const char*>(stored.data.data()), length);
    return true;
}

bool CRegistryPath::SetDWord(std::uint32_t value) {
    if (!CreateKey()) {
        return false;
    }
    const RegistryValue stored{
        platform::kRegDword,
        {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
         static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
    return openKey_.SetValue(ValueName(), stored);
}

bool CRegistryPath::SetString(const CString& text, bool expandable) {
    if (!CreateKey()) {
        return false;
    }
    RegistryValue stored{expandable ? platform::kRegExpandSz : platform::kRegSz, {text.begin(), text.end()}};
    stored.data.push_back(0);
    return openKey_.SetValue(ValueName(), stored);
}

bool CRegistryPath::EnumSubKeys(CStringArray& names) {
    names.clear();
    return OpenKey(RegistryAccess::Read) && openKey_.EnumSubKeys(names);
}

bool CRegistryPath::DeleteKey() {
    CloseKey();
    return root_ && store_.DeleteTree(*root_, keyPath_) == RegistryStatus::Ok;
}

}  // namespace tessaly
