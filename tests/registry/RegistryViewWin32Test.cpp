// The Windows registry store: HKEY_LOCAL_MACHINE in its 32-bit view for programs of either
// bitness (so a 64-bit tool and a 32-bit driver share settings, and an earlier 32-bit
// installation's settings are found), class registrations in the program's own view, and the undo
// notes of a transaction in the view of the keys they note.
#include "platform/WindowsBase.h"

#include <gtest/gtest.h>

#include <cstring>

#include "common/registry/Registry.h"
#include "platform/RegistryStore.h"

namespace tessaly {
namespace {

constexpr const char* kSubKey = "SOFTWARE\\TessalyViewTest";
const CString kPath = CString("HKEY_LOCAL_MACHINE\\") + kSubKey;
constexpr const char* kClassId = "{5E1D7A2C-0B7E-4C1A-9E55-7A7E57C1A55E}";

// Where 32-bit and 64-bit programs see different keys.
bool HasTwoViews() {
    BOOL wow64 = FALSE;
    return sizeof(void*) == 8 || (IsWow64Process(GetCurrentProcess(), &wow64) != FALSE && wow64 != FALSE);
}

// A text value read straight from one view; empty when it is not there.
CString ReadInView(const char* subKey, const char* name, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        return {};
    }
    char text[256] = {};
    DWORD size = sizeof(text) - 1;
    const LONG result = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? CString(text) : CString();
}

void WriteInView(const char* subKey, const char* name, const char* text, REGSAM view) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(std::strlen(text) + 1));
    RegCloseKey(key);
}

void DeleteInView(const char* subKey, REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_ALL_ACCESS | view, &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, nullptr);
        RegCloseKey(key);
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, subKey, view, 0);
    }
}

class RegistryViewTest : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        DeleteInView(kSubKey, KEY_WOW64_32KEY);
        DeleteInView(kSubKey, KEY_WOW64_64KEY);
        DeleteInView((CString("SOFTWARE\\Classes\\CLSID\\") + kClassId).c_str(), 0);
    }
};

TEST_F(RegistryViewTest, MachineSettingsLiveInThe32BitView) {
    ASSERT_TRUE(WriteRegistryString(kPath + "\\ReaderId", "written by this program", false));
    EXPECT_EQ(ReadInView(kSubKey, "ReaderId", KEY_WOW64_32KEY), "written by this program");
    WriteInView(kSubKey, "Left", "by the 32-bit installation", KEY_WOW64_32KEY);
    WriteInView(kSubKey, "Other", "only in the 64-bit view", KEY_WOW64_64KEY);
    EXPECT_EQ(ReadRegistryString(kPath + "\\Left"), "by the 32-bit installation");
    if (HasTwoViews()) {
        EXPECT_EQ(ReadInView(kSubKey, "ReaderId", KEY_WOW64_64KEY), "");
        EXPECT_EQ(ReadRegistryString(kPath + "\\Other"), "");
    }
    CStringArray names;
    ASSERT_TRUE(WriteRegistryString(kPath + "\\Server0\\ReaderName", "A", false));
    ASSERT_TRUE(ReadRegistrySubKeys(kPath, names));
    EXPECT_EQ(names, CStringArray{"Server0"});

    // Deleting the tree takes the 32-bit key and leaves the other view's key alone.
    ASSERT_TRUE(DeleteRegistryKey(kPath));
    EXPECT_EQ(ReadInView(kSubKey, "Left", KEY_WOW64_32KEY), "");
    if (HasTwoViews()) {
        EXPECT_EQ(ReadInView(kSubKey, "Other", KEY_WOW64_64KEY), "only in the 64-bit view");
    }
}

TEST_F(RegistryViewTest, ClassRegistrationsStayInTheProgramsOwnView) {
    ASSERT_TRUE(WriteRegistryString(
        CString("HKEY_LOCAL_MACHINE\\Software\\classes\\CLSID\\") + kClassId + "\\Name", "native", false));
    const CString key = CString("SOFTWARE\\Classes\\CLSID\\") + kClassId;
    EXPECT_EQ(ReadInView(key.c_str(), "Name", 0), "native");
    if (sizeof(void*) == 8) {
        EXPECT_EQ(ReadInView(key.c_str(), "Name", KEY_WOW64_32KEY), "");
    }
}

TEST_F(RegistryViewTest, RollbackRestoresThe32BitView) {
    WriteInView((CString(kSubKey) + "\\Keep").c_str(), "Value", "before", KEY_WOW64_32KEY);
    {
        platform::CRegistryStore store;
        ASSERT_TRUE(store.BeginTransaction());
        platform::CRegistryKey made =
            store.CreateKey(platform::RegistryRoot::LocalMachine, CString(kSubKey) + "\\New");
        ASSERT_TRUE(made.SetValue("Value", {platform::kRegSz, {'x', 0}}));
        ASSERT_EQ(store.DeleteTree(platform::RegistryRoot::LocalMachine, CString(kSubKey) + "\\Keep"),
                  platform::RegistryStatus::Ok);
        EXPECT_EQ(ReadInView((CString(kSubKey) + "\\New").c_str(), "Value", KEY_WOW64_32KEY), "x");
        EXPECT_EQ(ReadInView((CString(kSubKey) + "\\Keep").c_str(), "Value", KEY_WOW64_32KEY), "");
        store.RollbackTransaction();
    }
    EXPECT_EQ(ReadInView((CString(kSubKey) + "\\Keep").c_str(), "Value", KEY_WOW64_32KEY), "before");
    HKEY gone = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (CString(kSubKey) + "\\New").c_str(), 0,
                            KEY_READ | KEY_WOW64_32KEY, &gone),
              ERROR_SUCCESS);
}

}  // namespace
}  // namespace tessaly
