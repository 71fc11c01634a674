// The registry seam: on Windows the system registry, elsewhere a SQLite file with the registry's
// rules (see common/registry/README.md). Both sides see values as the registry's ANSI functions do:
// texts are single-byte, numbers are 4 little-endian bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessaly::platform {

// The five predefined keys, numbered as the registry numbers their handles.
enum class RegistryRoot : std::uint32_t {
    ClassesRoot = 0x80000000U,
    CurrentUser = 0x80000001U,
    LocalMachine = 0x80000002U,
    Users = 0x80000003U,
    CurrentConfig = 0x80000005U,
};

// Value types as the registry numbers them; other numbers are kept as they come.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

enum class RegistryAccess { Read, Write };

// What a delete found: done, nothing there to delete, or the store refused.
enum class RegistryStatus { Ok, NotFound, Failed };

struct RegistryValue {
    std::uint32_t type = kRegNone;
    std::vector<std::uint8_t> data;

    bool operator==(const RegistryValue&) const = default;
};

struct NamedRegistryValue {
    std::string name;
    RegistryValue value;

    bool operator==(const NamedRegistryValue&) const = default;
};

class CRegistryStore;

// One open key; closed when destroyed. A key must not outlive the store that opened it.
class CRegistryKey {
public:
    CRegistryKey();
    ~CRegistryKey();
    CRegistryKey(CRegistryKey&& other) noexcept;
    CRegistryKey& operator=(CRegistryKey&& other) noexcept;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    bool IsOpen() const { return m_handle != nullptr; }

    // The empty name is the key's default value.
    bool QueryValue(const std::string& name, RegistryValue& value) const;
    bool SetValue(const std::string& name, const RegistryValue& value);
    RegistryStatus DeleteValue(const std::string& name);
    // Names of the direct sub-keys in the store's listing order; false when the listing failed.
    bool EnumSubKeys(std::vector<std::string>& names) const;
    // Every value of the key, in the store's listing order.
    bool EnumValues(std::vector<NamedRegistryValue>& values) const;

    struct Handle;

private:
    friend class CRegistryStore;
    explicit CRegistryKey(std::unique_ptr<Handle> handle);

    std::unique_ptr<Handle> m_handle;
};

// A session with the registry. Each operation is atomic by itself; operations between
// BeginTransaction and CommitTransaction reach the registry all together or not at all.
// One session belongs to one thread.
class CRegistryStore {
public:
    CRegistryStore();
    ~CRegistryStore();
    CRegistryStore(const CRegistryStore&) = delete;
    CRegistryStore& operator=(const CRegistryStore&) = delete;

    // The key `path` (elements joined by backslashes, empty for the root itself). The result is
    // not open when the key is missing or the registry cannot be read.
    CRegistryKey OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access);
    // Opens the key for writing, making it and any missing key above it.
    CRegistryKey CreateKey(RegistryRoot root, const std::string& path);
    // Deletes the key with every sub-key and value below it. A root itself cannot be deleted.
    RegistryStatus DeleteTree(RegistryRoot root, const std::string& path);

    bool BeginTransaction();
    bool CommitTransaction();
    // Drops everything since BeginTransaction; also done by the destructor of an open transaction.
    void RollbackTransaction();

    // Where the registry lives, for messages: the store file, or "the Windows registry".
    static std::string Location();

    struct Session;

private:
    std::unique_ptr<Session> m_session;
};

}  // namespace tessaly::platform
