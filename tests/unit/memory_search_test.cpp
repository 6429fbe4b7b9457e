// Directory searches of the in-memory file system, also while the entries
// found are being deleted.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "tests/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

using Entries = std::vector<std::pair<std::string, unsigned>>;

class MemorySearch : public ::testing::Test {
 protected:
  MemorySearch() {
    sys.Drives().Add('C', DRIVE_FIXED);
    fs.AddFile("C:\\inst\\index.html", "i", 0);
    fs.AddFile("C:\\inst\\README", "r", FILE_ATTRIBUTE_READONLY);
    fs.AddFile("C:\\inst\\secret.dat", "s", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    fs.AddFolder("C:\\inst\\img");
    fs.AddFile("C:\\inst\\img\\a.png", "a");
  }

  Entries All(const CString& pattern) {
    Entries found;
    FindData entry;
    const INT_PTR handle = fs.findfirst(pattern, entry);
    if (handle == -1) return found;
    do {
      found.emplace_back(entry.name.str(), entry.attrib);
    } while (fs.findnext(handle, entry) == 0);
    EXPECT_EQ(fs.findclose(handle), 0);
    return found;
  }

  // Empties a folder the way the uninstaller's walk does: entries are
  // deleted while the search that found them is open.
  void Empty(const CString& folder) {
    FindData entry;
    const INT_PTR handle = fs.findfirst(folder + "\\*.*", entry);
    if (handle == -1) return;
    do {
      const CString path = folder + "\\" + entry.name;
      if (entry.attrib & A_SUBDIR) {
        if (entry.name.GetAt(0) == '.') continue;
        Empty(path);
        EXPECT_TRUE(fs.RemoveDirectoryA(path)) << path.str();
      } else {
        EXPECT_TRUE(fs.DeleteFileA(path)) << path.str();
      }
    } while (fs.findnext(handle, entry) == 0);
    fs.findclose(handle);
  }

  MemorySystem sys;
  MemoryFileSystem& fs = sys.Files();
};

TEST_F(MemorySearch, StarDotStarReturnsEveryEntryWithItsBits) {
  const Entries expected = {
      {".", A_SUBDIR},   {"..", A_SUBDIR},     {"img", A_SUBDIR},
      {"index.html", 0}, {"README", A_RDONLY}, {"secret.dat", A_HIDDEN | A_ARCH},
  };
  EXPECT_EQ(All("C:\\inst\\*.*"), expected) << sys.Dump();
  EXPECT_EQ(All("c:/INST/*"), expected);
  EXPECT_EQ(fs.OpenSearches(), 0);
}

TEST_F(MemorySearch, DriveRootHasNoDotEntries) { EXPECT_EQ(All("C:\\*.*"), (Entries{{"inst", A_SUBDIR}})); }

TEST_F(MemorySearch, PatternsAndMisses) {
  EXPECT_EQ(All("C:\\inst\\*.html"), (Entries{{"index.html", 0}}));
  EXPECT_EQ(All("C:\\inst\\????.*"), (Entries{{".", A_SUBDIR}, {"..", A_SUBDIR}, {"img", A_SUBDIR}}));
  // A name without wildcards finds that entry itself (how a folder's existence is checked).
  EXPECT_EQ(All("C:\\INST"), (Entries{{"inst", A_SUBDIR}}));

  // A drive's root and a drive that is not there (the other misses are the
  // search case).
  FindData entry;
  EXPECT_EQ(fs.findfirst("C:\\", entry), -1);
  EXPECT_EQ(fs.GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(fs.findfirst("Z:\\*.*", entry), -1);
  EXPECT_EQ(fs.GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(fs.OpenSearches(), 0);
}

TEST_F(MemorySearch, OpenSearchesAreCounted) {
  FindData entry;
  const INT_PTR handle = fs.findfirst("C:\\inst\\index.html", entry);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(fs.OpenSearches(), 1);
  EXPECT_EQ(fs.findclose(handle), 0);
  EXPECT_EQ(fs.OpenSearches(), 0);
}

TEST_F(MemorySearch, EntriesDeletedBeforeTheyAreReachedAreSkipped) {
  FindData entry;
  const INT_PTR handle = fs.findfirst("C:\\inst\\*.*", entry);
  ASSERT_NE(handle, -1);
  ASSERT_EQ(entry.name, ".");
  ASSERT_TRUE(fs.DeleteFileA("C:\\inst\\index.html"));
  ASSERT_TRUE(fs.DeleteFileA("C:\\inst\\secret.dat"));
  fs.AddFile("C:\\inst\\new.txt", "n");  // created after the search began
  fs.AddFile("C:\\inst\\zz.txt", "z");

  std::vector<std::string> names;
  while (fs.findnext(handle, entry) == 0) {
    names.push_back(entry.name.str());
    // The entry just returned may go at once.
    if (!(entry.attrib & (A_SUBDIR | A_RDONLY))) {
      EXPECT_TRUE(fs.DeleteFileA("C:\\inst\\" + entry.name));
    }
  }
  fs.findclose(handle);
  EXPECT_EQ(names, (std::vector<std::string>{"..", "img", "README"}));
  EXPECT_TRUE(fs.Exists("C:\\inst\\zz.txt"));
}

TEST_F(MemorySearch, NestedWalksEmptyTheTree) {
  fs.AddFile("C:\\inst\\img\\deep\\b.png", "b");
  fs.AddFile("C:\\inst\\zz\\c.txt", "c");
  ASSERT_TRUE(fs.SetFileAttributesA("C:\\inst\\README", FILE_ATTRIBUTE_NORMAL));
  Empty("C:\\inst");
  EXPECT_TRUE(fs.List("C:\\inst").empty()) << sys.Dump();
  EXPECT_TRUE(fs.IsFolder("C:\\inst"));
  EXPECT_EQ(fs.OpenSearches(), 0);
}

TEST_F(MemorySearch, RemovedFolderEndsItsOwnSearch) {
  fs.AddFolder("C:\\inst\\empty");
  FindData entry;
  const INT_PTR handle = fs.findfirst("C:\\inst\\empty\\*.*", entry);
  ASSERT_NE(handle, -1);
  EXPECT_EQ(entry.name, ".");
  ASSERT_TRUE(fs.RemoveDirectoryA("C:\\inst\\empty"));
  EXPECT_NE(fs.findnext(handle, entry), 0);
  EXPECT_EQ(fs.findclose(handle), 0);
}

}  // namespace
