// The owners the flows pair their calls through: a search, a COM scope and a
// registry key are released on every path, and only what was acquired.
#include <gtest/gtest.h>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

class Owners : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.Drives().Add('C', DRIVE_FIXED);
    sys.Files().AddFile("C:\\d\\a.txt", "a");
    sys.Files().AddFolder("C:\\d\\sub");
  }
  MemorySystem sys;
};

// Walks a folder and leaves early at the named entry.
int CountUntil(IFileSystem& files, const CString& stopAt) {
  CFindFile find(files);
  int seen = 0;
  for (bool more = find.FindFirst("C:\\d\\*.*"); more; more = find.FindNext()) {
    ++seen;
    if (find.Name() == stopAt) return seen;
  }
  return seen;
}

TEST_F(Owners, SearchClosesOnEarlyReturnAndAtTheEnd) {
  EXPECT_EQ(CountUntil(sys.Files(), "."), 1);
  EXPECT_EQ(sys.Files().OpenSearches(), 0);
  EXPECT_EQ(CountUntil(sys.Files(), "none"), 4);  // . .. a.txt sub
  EXPECT_EQ(sys.Files().OpenSearches(), 0);
}

TEST_F(Owners, SearchReportsEntriesAndNothingWhenNoMatch) {
  CFindFile find(sys.Files());
  EXPECT_FALSE(find.FindFirst("C:\\d\\*.none"));
  EXPECT_FALSE(find.IsOpen());
  EXPECT_FALSE(find.FindNext());
  ASSERT_TRUE(find.FindFirst("C:\\d\\sub"));
  EXPECT_TRUE(find.IsFolder());
  EXPECT_FALSE(find.IsReparsePoint());
  EXPECT_EQ(find.Name(), "sub");
  // A second FindFirst closes the first search.
  ASSERT_TRUE(find.FindFirst("C:\\d\\a.txt"));
  EXPECT_FALSE(find.IsFolder());
  EXPECT_EQ(sys.Files().OpenSearches(), 1);
  find.Close();
  EXPECT_EQ(sys.Files().OpenSearches(), 0);
}

TEST_F(Owners, ComScopeUninitialisesOnlyWhatItInitialised) {
  {
    CComInit com(sys.Shell());
    EXPECT_EQ(com.Result(), S_OK);
    EXPECT_EQ(sys.Shell().Counters().comDepth, 1);
  }
  EXPECT_EQ(sys.Shell().Counters().comDepth, 0);
  EXPECT_EQ(sys.Shell().Counters().coUninitializeCalls, 1);

  sys.Fail("CoInitialize", static_cast<DWORD>(0x8000FFFF));
  {
    CComInit com(sys.Shell());
    EXPECT_LT(com.Result(), 0);
  }
  EXPECT_EQ(sys.Shell().Counters().coUninitializeCalls, 1);
  EXPECT_EQ(sys.Shell().Counters().unbalancedUninitialize, 0);
}

TEST_F(Owners, KeyWritesStringsWithTheirTerminatorsAndClosesOnce) {
  {
    CRegKey key(sys.Registry());
    ASSERT_EQ(key.Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\T", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS),
              ERROR_SUCCESS);
    EXPECT_EQ(key.SetValue("s", CString("ab")), ERROR_SUCCESS);
    CStringList list;
    list.AddTail("ab");
    list.AddTail("c");
    EXPECT_EQ(key.SetValue("m", list), ERROR_SUCCESS);
    EXPECT_EQ(key.SetValue("e", CStringList()), ERROR_SUCCESS);
    EXPECT_EQ(sys.Registry().OpenHandles(), 1);
  }
  EXPECT_EQ(sys.Registry().OpenHandles(), 0);
  const auto s = sys.Registry().GetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\T", "s");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->type, REG_SZ);
  EXPECT_EQ(s->bytes, std::string("ab\0", 3));
  const auto m = sys.Registry().GetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\T", "m");
  ASSERT_TRUE(m);
  EXPECT_EQ(m->type, REG_MULTI_SZ);
  EXPECT_EQ(m->bytes, std::string("ab\0c\0\0", 6));
  const auto e = sys.Registry().GetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\T", "e");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->bytes, std::string("\0", 1));
}

}  // namespace
