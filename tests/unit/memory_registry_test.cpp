// Keys, values, volatile keys, handles and access of the in-memory registry.
#include <gtest/gtest.h>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr const char* kEntry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VEVUVODIVERU1";

class MemoryRegistryTest : public ::testing::Test {
 protected:
  MemoryRegistryTest() { reg.AddKey(HKEY_LOCAL_MACHINE, kUninstall); }

  MemorySystem sys;
  MemoryRegistry& reg = sys.Registry();
};

// Each create gives a handle of its own (what it reports is the registry case).
TEST_F(MemoryRegistryTest, CreateGivesAFreshHandleEachTime) {
  HKEY key = nullptr;
  HKEY again = nullptr;
  ASSERT_EQ(reg.RegCreateKeyExA(HKEY_CURRENT_USER, "A\\B\\C", 0, KEY_ALL_ACCESS, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(reg.RegCreateKeyExA(HKEY_CURRENT_USER, "a\\b\\c", 0, KEY_ALL_ACCESS, &again, nullptr),
            ERROR_SUCCESS);
  EXPECT_NE(again, key);
  EXPECT_EQ(reg.OpenHandles(), 2);
  EXPECT_EQ(reg.RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegCloseKey(again), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegCloseKey(again), static_cast<LONG>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(reg.OpenHandles(), 0);

  key = reinterpret_cast<HKEY>(static_cast<UINT_PTR>(1));
  EXPECT_EQ(reg.RegCreateKeyExA(HKEY_CURRENT_USER, "\\Lead", 0, KEY_ALL_ACCESS, &key, nullptr),
            static_cast<LONG>(mem::ERROR_BAD_PATHNAME_CODE));
  EXPECT_EQ(key, nullptr);
}

TEST_F(MemoryRegistryTest, VolatileKeys) {
  CRegKey key(reg);
  DWORD disposition = 0;
  ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, kEntry, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, &disposition),
            ERROR_SUCCESS);
  EXPECT_EQ(reg.IsVolatile(HKEY_LOCAL_MACHINE, kEntry), true);
  EXPECT_EQ(reg.IsVolatile(HKEY_LOCAL_MACHINE, kUninstall), false);  // opened, not created

  HKEY child = nullptr;
  EXPECT_EQ(reg.RegCreateKeyExA(key.get(), "Sub", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &child, nullptr),
            static_cast<LONG>(mem::ERROR_CHILD_MUST_BE_VOLATILE_CODE));
  EXPECT_FALSE(reg.HasKey(HKEY_LOCAL_MACHINE, std::string(kEntry) + "\\Sub"));
  EXPECT_EQ(reg.RegCreateKeyExA(key.get(), "Sub", REG_OPTION_VOLATILE, KEY_ALL_ACCESS, &child, nullptr),
            ERROR_SUCCESS);
  reg.RegCloseKey(child);
  key.Close();
  EXPECT_EQ(reg.OpenHandles(), 0);

  sys.SimulateRestart();
  EXPECT_FALSE(reg.HasKey(HKEY_LOCAL_MACHINE, kEntry)) << sys.Dump();
  EXPECT_TRUE(reg.HasKey(HKEY_LOCAL_MACHINE, kUninstall));
}

TEST_F(MemoryRegistryTest, ValuesKeepTypeAndExactBytes) {
  CRegKey key(reg);
  ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, kEntry, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS), ERROR_SUCCESS);
  // "C:\Program Files\Harborlit\Drama1\uninst.exe" is 44 bytes; with two zeros, 46.
  char path[262] = "C:\\Program Files\\Harborlit\\Drama1\\uninst.exe";
  const std::string displayName = "タヴリン　ドラマＣＤ１　デジタルコンテンツ";
  ASSERT_EQ(displayName.size(), 42u);
  const std::string displayData = displayName + std::string(2, '\0');
  const DWORD number = 0x01020304;
  struct {
    const char* name;
    DWORD type;
    const BYTE* data;
    DWORD count;
  } const cases[] = {
      {"UninstallString", REG_MULTI_SZ, reinterpret_cast<const BYTE*>(path), 46},
      {"DisplayName", REG_MULTI_SZ, reinterpret_cast<const BYTE*>(displayData.data()), 44},
      {"Plain", REG_SZ, reinterpret_cast<const BYTE*>("ab"), 3},
      {"Number", REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4},
      {"Empty", REG_BINARY, nullptr, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(reg.RegSetValueExA(key.get(), c.name, c.type, c.data, c.count), ERROR_SUCCESS);
    const auto value = reg.GetValue(HKEY_LOCAL_MACHINE, kEntry, c.name);
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, c.type);
    ASSERT_EQ(value->bytes.size(), c.count);
    EXPECT_EQ(value->bytes, std::string(reinterpret_cast<const char*>(c.data), c.data ? c.count : 0));
  }
  EXPECT_EQ(reg.GetValue(HKEY_LOCAL_MACHINE, kEntry, "uninstallstring")->bytes.substr(44),
            std::string(2, '\0'));
  EXPECT_EQ(reg.RegSetValueExA(key.get(), "Bad", REG_BINARY, nullptr, 4),
            static_cast<LONG>(mem::ERROR_NOACCESS_CODE));
}

TEST_F(MemoryRegistryTest, DeletingKeys) {
  reg.AddKey(HKEY_LOCAL_MACHINE, std::string(kEntry) + "\\Child");
  CRegKey parent(reg);
  ASSERT_EQ(parent.Create(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_ALL_ACCESS), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegDeleteKeyA(parent.get(), "VEVUVODIVERU1"), static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(reg.RegDeleteKeyA(parent.get(), "vevuvodiveru1\\CHILD"), ERROR_SUCCESS);

  HKEY entry = nullptr;
  ASSERT_EQ(reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEntry, 0, KEY_ALL_ACCESS, &entry, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(reg.RegDeleteKeyA(parent.get(), "VEVUVODIVERU1"), ERROR_SUCCESS);
  EXPECT_FALSE(reg.HasKey(HKEY_LOCAL_MACHINE, kEntry));
  // A handle to a deleted key stays a handle, but writes through it fail.
  EXPECT_EQ(reg.RegSetValueExA(entry, "X", REG_SZ, reinterpret_cast<const BYTE*>(""), 1),
            static_cast<LONG>(mem::ERROR_KEY_DELETED_CODE));
  EXPECT_EQ(reg.RegCloseKey(entry), ERROR_SUCCESS);
  EXPECT_EQ(reg.RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), static_cast<LONG>(ERROR_ACCESS_DENIED));
}

TEST_F(MemoryRegistryTest, NoWriteAccessToLocalMachine) {
  reg.DenyWrites(HKEY_LOCAL_MACHINE);
  HKEY key = reinterpret_cast<HKEY>(static_cast<UINT_PTR>(1));
  EXPECT_EQ(reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kEntry, 0, KEY_ALL_ACCESS, &key, nullptr),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(key, nullptr);
  // An existing key cannot be opened for writing either.
  EXPECT_EQ(reg.RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstall, 0, KEY_ALL_ACCESS, &key, nullptr),
            static_cast<LONG>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(reg.HasKey(HKEY_LOCAL_MACHINE, kEntry));
  EXPECT_EQ(reg.OpenHandles(), 0);
  EXPECT_EQ(reg.RegCreateKeyExA(HKEY_CURRENT_USER, "Mine", 0, KEY_ALL_ACCESS, &key, nullptr), ERROR_SUCCESS);
  reg.RegCloseKey(key);

  // Restart requests live in the same part of the registry.
  sys.Drives().Add('C', DRIVE_FIXED);
  EXPECT_FALSE(sys.Files().MoveFileExA("C:\\x", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(sys.LastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(sys.Files().RestartList().empty());
}

}  // namespace
