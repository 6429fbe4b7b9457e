// The recursive removal of the installation folder's contents: what it
// spares, where it stops, what it reports, and that nothing it reads from
// the disk can lead it out of the folder it was given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/memory/MemoryPlatform.h"
#include "tests/unit/RecordingPlatform.h"
#include "tests/unit/TestSupport.h"
#include "uninst/DeleteTree.h"

namespace {

const CString kFolder = "C:\\inst";

class DeleteTreeTest : public ::testing::Test {
 protected:
  DeleteTreeTest() {
    platform.Drives().Add('C', DRIVE_FIXED);
    platform.Ui().SetModuleFileName("C:\\inst\\uninst.exe");
    fs.AddFolder(kFolder);
  }
  ~DeleteTreeTest() override {
    EXPECT_EQ(fs.OpenSearches(), 0) << "every search is closed";
    EXPECT_NO_THROW(platform.Ui().CheckScriptDone());
  }

  void Add(const std::vector<const char*>& paths, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) {
    for (const char* p : paths) {
      const CString path = kFolder + "\\" + p;
      if (path.GetAt(path.GetLength() - 1) == '\\') {
        ASSERT_TRUE(fs.AddFolder(path.Left(path.GetLength() - 1))) << p;
      } else {
        ASSERT_TRUE(fs.AddFile(path, "x", attributes)) << p;
      }
    }
  }
  // Every path left below the folder, relative to it ("a\\", "a\\b.txt").
  std::vector<std::string> Left() const { return Below(kFolder, ""); }
  std::vector<std::string> Below(const CString& folder, const std::string& prefix) const {
    std::vector<std::string> found;
    for (const CString& name : fs.List(folder)) {
      const CString path = folder + "\\" + name;
      if (fs.IsFolder(path)) {
        found.push_back(prefix + name.str() + "\\");
        for (auto& inner : Below(path, prefix + name.str() + "\\")) found.push_back(inner);
      } else {
        found.push_back(prefix + name.str());
      }
    }
    return found;
  }

  MemoryPlatform platform;
  MemoryFileSystem& fs = platform.Files();
};

using Paths = std::vector<std::string>;

TEST_F(DeleteTreeTest, SparesTheUninstallerByNameIgnoringCaseAtEveryDepth) {
  Add({"UNINST.EXE", "uninst.exe.bak", "uninst.ex", "Uninst.Exe.lnk", "xuninst.exe", "index.html"});
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
  EXPECT_EQ(Left(), Paths{"UNINST.EXE"}) << platform.Dump();
}

TEST_F(DeleteTreeTest, EmptyOrOnlyTheUninstallerOrMissing) {
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
  EXPECT_TRUE(fs.IsFolder(kFolder)) << "the folder given is never removed";
  Add({"uninst.exe"});
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
  EXPECT_EQ(Left(), Paths{"uninst.exe"});
  EXPECT_EQ(DeleteTree(platform, "C:\\missing"), 1);
  EXPECT_EQ(DeleteTree(platform, "Q:\\no drive"), 1);
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty());
}

TEST_F(DeleteTreeTest, EmptiesEveryLevelButNeverRemovesTheFolderGiven) {
  Add({"a\\b\\c\\deep.txt", "a\\b\\side.txt", "a\\empty\\", "top.txt"});
  Add({"ソフト\\表紙.html", "ソ\\x.txt"});  // Shift-JIS: trail bytes 0x5C
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
  EXPECT_EQ(Left(), Paths{});
  EXPECT_TRUE(fs.IsFolder(kFolder));
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty());
}

TEST_F(DeleteTreeTest, DotFoldersStayWithTheirContentDotFilesGo) {
  Add({".git\\config", ".git\\objects\\1", ".profile", "a\\.cache\\x", "a\\.hidden", "a\\y"});
  // "a" keeps its dot folder, so its removal fails and is reported.
  platform.Ui().ExpectMessageBox(MemoryFileSystem::SystemText(ERROR_DIR_NOT_EMPTY), IDOK);
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
  EXPECT_EQ(Left(), (Paths{".git\\", ".git\\config", ".git\\objects\\", ".git\\objects\\1", "a\\",
                           "a\\.cache\\", "a\\.cache\\x"}))
      << platform.Dump();
}

TEST_F(DeleteTreeTest, ASubfolderHoldingTheUninstallerIsReportedOnceAndTheWalkGoesOn) {
  Add({"a.txt", "m\\other.txt", "m\\uninst.exe", "z.txt", "z\\inner.txt"});
  platform.Ui().ExpectMessageBox(MemoryFileSystem::SystemText(ERROR_DIR_NOT_EMPTY), IDOK);
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
  EXPECT_EQ(Left(), (Paths{"m\\", "m\\uninst.exe"}));
  const auto& boxes = platform.Ui().MessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].type, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_EQ(boxes[0].caption, "uninst");
}

TEST_F(DeleteTreeTest, AFileThatCannotBeDeletedStopsEveryLevel) {
  // The search order is the names' order: a < b < c.
  Add({"a.txt", "b\\a.txt", "b\\b\\a.txt", "b\\b\\c.txt", "b\\b\\d.txt", "b\\c.txt", "c.txt"});
  Add({"b\\b\\b.txt"}, FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(DeleteTree(platform, kFolder), 0);
  EXPECT_EQ(Left(),
            (Paths{"b\\", "b\\b\\", "b\\b\\b.txt", "b\\b\\c.txt", "b\\b\\d.txt", "b\\c.txt", "c.txt"}))
      << platform.Dump();
  EXPECT_TRUE(platform.Ui().MessageBoxes().empty()) << "a file that stays is not reported";
}

TEST_F(DeleteTreeTest, ATreeDeeperThanAnyPathStopsTheWalkInsteadOfTheProgram) {
  // 250 levels, built by moving a short path into a new folder each time:
  // no path names the deepest ones, but handles reach them.
  const CString deep = "C:\\deep";
  const CString holder = "C:\\holder";
  const CString inside = holder + "\\d";
  ASSERT_TRUE(fs.AddFile(deep + "\\x.txt", "x"));
  for (int level = 0; level < 250; ++level) {
    ASSERT_TRUE(fs.AddFolder(holder));
    ASSERT_TRUE(fs.MoveFileExA(deep, &inside, 0));
    ASSERT_TRUE(fs.MoveFileExA(holder, &deep, 0));
  }
  const CString into = kFolder + "\\a";
  ASSERT_TRUE(fs.MoveFileExA(deep, &into, 0));
  Add({"z.txt"});
  EXPECT_EQ(DeleteTree(platform, kFolder), 0);
  EXPECT_EQ(fs.GetLastError(), ERROR_FILENAME_EXCED_RANGE);
  EXPECT_TRUE(fs.Exists(kFolder + "\\z.txt")) << "the walk stopped at the deep folder";
}

TEST_F(DeleteTreeTest, LockedOrRefusedFilesStopTheWalk) {
  Add({"a.txt", "b.txt", "c.txt"});
  fs.Lock(kFolder + "\\b.txt");
  EXPECT_EQ(DeleteTree(platform, kFolder), 0);
  EXPECT_EQ(Left(), (Paths{"b.txt", "c.txt"}));
  fs.Lock(kFolder + "\\b.txt", false);
  platform.Fail("DeleteByHandle", ERROR_ACCESS_DENIED).OnPath("\\c.txt");
  EXPECT_EQ(DeleteTree(platform, kFolder), 0);
  EXPECT_EQ(Left(), (Paths{"c.txt"}));
}

TEST_F(DeleteTreeTest, AFailedRemovalShowsTheSystemsTextForTheCodeOrTheCodeItself) {
  struct Case {
    DWORD code;
    CString text;
  };
  for (const Case& c : {Case{ERROR_ACCESS_DENIED, "アクセスが拒否されました。\r\n"},
                        Case{ERROR_SHARING_VIOLATION, MemoryFileSystem::SystemText(ERROR_SHARING_VIOLATION)},
                        Case{4321, "エラー 4321"}, Case{0xC0000022UL, "エラー 3221225506"}}) {
    Add({"a\\x", "b\\y", "c\\z"});
    platform.ClearFaults();
    // The first deletion on that path is b\y's, the second b's own.
    platform.Fail("DeleteByHandle", c.code).OnPath("\\b").OnCall(2);
    platform.Ui().ExpectMessageBox(c.text, IDOK);
    EXPECT_EQ(DeleteTree(platform, kFolder), 1) << c.code;
    EXPECT_EQ(Left(), Paths{"b\\"}) << c.code;
    EXPECT_EQ(platform.Ui().MessageBoxes().back().text, c.text);
    platform.ClearFaults();
    ASSERT_TRUE(fs.RemoveDirectoryA(kFolder + "\\b"));
  }
}

TEST_F(DeleteTreeTest, AFolderThatCannotBeListedIsRemovedOrReported) {
  Add({"a\\x", "b.txt"});
  platform.Fail("ListFolderHandle", ERROR_ACCESS_DENIED).OnPath("\\a");
  platform.Ui().ExpectMessageBox(MemoryFileSystem::SystemText(ERROR_DIR_NOT_EMPTY), IDOK);
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
  EXPECT_EQ(Left(), (Paths{"a\\", "a\\x"}));
}

TEST_F(DeleteTreeTest, ALinkToAnOutsideFolderGoesAsALinkItsTargetKeepsEverything) {
  fs.AddFile("C:\\outside\\canary.txt", "alive");
  fs.AddFile("C:\\outside\\deeper\\canary.txt", "alive");
  Add({"a.txt", "sub\\x.txt", "z.txt"});
  ASSERT_TRUE(fs.AddLink(kFolder + "\\link", "C:\\outside"));
  ASSERT_TRUE(fs.AddLink(kFolder + "\\sub\\deeplink", "C:\\outside\\deeper"));
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
  EXPECT_EQ(Left(), Paths{}) << platform.Dump();
  EXPECT_EQ(fs.Contents("C:\\outside\\canary.txt"), "alive");
  EXPECT_EQ(fs.Contents("C:\\outside\\deeper\\canary.txt"), "alive");
}

TEST_F(DeleteTreeTest, NamesWithoutAnExactFormFailInPlace) {
  // What x¥..¥..¥Windows reads back as without best fit.
  fs.AddFile("C:\\Windows\\canary.txt", "alive");
  Add({"a.txt", "z.txt"});
  ASSERT_TRUE(fs.AddUnnarrowable(kFolder + "\\x?..?..?Windows", true));
  platform.Ui().ExpectMessageBox(MemoryFileSystem::SystemText(ERROR_INVALID_NAME), IDOK);
  EXPECT_EQ(DeleteTree(platform, kFolder), 1) << "an unremovable folder: reported, the walk goes on";
  EXPECT_EQ(Left(), Paths{"x?..?..?Windows"});  // listed, but no call can look into it
  EXPECT_TRUE(fs.Exists("C:\\Windows\\canary.txt"));

  Add({"b.txt", "y.txt"});
  ASSERT_TRUE(fs.AddUnnarrowable(kFolder + "\\r?sum?.txt", false));
  EXPECT_EQ(DeleteTree(platform, kFolder), 0) << "an undeletable file stops the walk, silently";
  EXPECT_EQ(Left(), (Paths{"r?sum?.txt", "x?..?..?Windows", "y.txt"}));
}

// Someone renames things while a message box holds the walk: a folder the
// listing named is replaced by a link to a folder outside, at the entry
// still to come or one level higher (the folder being walked). Every
// deletion goes through handles opened before or after, never through the
// link, so the folder outside keeps everything.
TEST_F(DeleteTreeTest, ASwapWhileAMessageBoxWaitsNeverLeadsOutside) {
  struct Case {
    const char* name;
    const char* stays;    // where the box comes from: holds the uninstaller
    const char* swapped;  // renamed away and replaced by a link to C:\outside
  };
  const Case cases[] = {
      {"the entry still to come", "m", "z"},
      {"the folder being walked", "a\\m", "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryPlatform p;
    p.Drives().Add('C', DRIVE_FIXED);
    MemoryFileSystem& files = p.Files();
    files.AddFile("C:\\outside\\canary.txt", "alive");
    files.AddFile("C:\\outside\\deeper\\canary.txt", "alive");
    const CString stays = kFolder + "\\" + c.stays;
    const CString swapped = kFolder + "\\" + c.swapped;
    files.AddFile(stays + "\\uninst.exe", "x");
    files.AddFile(kFolder + "\\z\\inner.txt", "x");
    files.AddFile(kFolder + "\\a\\z\\inner.txt", "x");
    p.Ui().ExpectMessageBox(MemoryFileSystem::SystemText(ERROR_DIR_NOT_EMPTY), IDOK, [&](MemoryUi&) {
      const CString away = swapped + "-old";
      ASSERT_TRUE(files.MoveFileExA(swapped, &away, 0)) << files.GetLastError();
      ASSERT_TRUE(files.AddLink(swapped, "C:\\outside"));
    });
    p.Ui().AnswerUnscriptedMessageBoxes(IDOK);
    DeleteTree(p, kFolder);
    EXPECT_EQ(files.Contents("C:\\outside\\canary.txt"), "alive") << p.Dump();
    EXPECT_EQ(files.Contents("C:\\outside\\deeper\\canary.txt"), "alive");
  }
  // The folder given is held open: it cannot be swapped at all.
  Add({"m\\uninst.exe", "z.txt"});
  platform.Ui().ExpectMessageBox(MemoryFileSystem::SystemText(ERROR_DIR_NOT_EMPTY), IDOK, [&](MemoryUi&) {
    const CString away = kFolder + "-old";
    EXPECT_FALSE(fs.MoveFileExA(kFolder, &away, 0));
    EXPECT_EQ(fs.GetLastError(), ERROR_SHARING_VIOLATION);
  });
  EXPECT_EQ(DeleteTree(platform, kFolder), 1);
}

TEST(ExactEntryName, RefusesWhatWouldNameAnotherEntry) {
  struct Case {
    CString name;
    bool exact;
  };
  const Case cases[] = {
      {"index.html", true},
      {"ソフト", true},  // trail byte 0x5C is no separator
      {"表紙.html", true},
      {"Vol.1", true},
      {".profile", true},
      {"a\\..\\..\\Windows", false},  // what best-fit narrowing of U+00A5 would give
      {"a/b", false},
      {"x?y", false},  // the mark of a name without an exact form
      {"*", false},
      {"a:b", false},
      {"a|b", false},
      {"a\"b", false},
      {"a<b>", false},
      {"tab\tname", false},
      {"unit\x1Fseparator", false},  // the last control character
      {"space inside", true},        // the first byte that is none
      {"\x7F", true},
      {"name.", false},
      {"name ", false},
      {" ..", false},
      {"..", false},
      {".", false},
      {"", false},
      {CString("abc\x83"), false},  // a lead byte without its second byte
  };
  for (const Case& c : cases) EXPECT_EQ(IsExactEntryName(c.name), c.exact) << c.name.str();
}

// The walk never enters a link, only removes it; names that are not exact
// never reach the system. The entries come from the recording platform, so
// nothing of them exists below.
class DeleteTreeHostile : public DeleteTreeTest {
 protected:
  RecordingPlatform recording{platform};
};

TEST_F(DeleteTreeHostile, ALinkIsDeletedThroughItsOwnHandleNeverListed) {
  fs.AddFile("C:\\outside\\canary.txt", "alive");
  Add({"a.txt", "z.txt"});
  ASSERT_TRUE(fs.AddLink(kFolder + "\\link", "C:\\outside"));
  EXPECT_EQ(DeleteTree(recording, kFolder), 1);
  EXPECT_TRUE(recording.Logged("DeleteByHandle C:\\inst\\link"));
  EXPECT_EQ(recording.IndexOf("ListFolderHandle C:\\inst\\link"), -1) << "the link was entered";
  EXPECT_EQ(fs.Contents("C:\\outside\\canary.txt"), "alive");
  EXPECT_EQ(Left(), Paths{});
}

TEST_F(DeleteTreeHostile, ALinkWhoseHandleIsItsTargetIsReportedAndNothingGoesThroughIt) {
  // Wine opens a Unix link's target even when asked for the link: only the
  // listing still knows it for a link.
  fs.AddFile("C:\\outside\\canary.txt", "alive");
  fs.AddFolder("C:\\outside\\empty");
  ASSERT_TRUE(fs.AddLink(kFolder + "\\link", "C:\\outside\\empty"));
  Add({"z.txt"});
  recording.HandlesFollowLinks();
  platform.Ui().ExpectMessageBox(ErrorText(fs, ERROR_NOT_A_REPARSE_POINT), IDOK);
  EXPECT_EQ(DeleteTree(recording, kFolder), 1);
  EXPECT_FALSE(recording.Logged("DeleteByHandle C:\\inst\\link"));
  EXPECT_EQ(recording.IndexOf("ListFolderHandle C:\\inst\\link"), -1);
  EXPECT_TRUE(fs.IsFolder("C:\\outside\\empty"));
  EXPECT_EQ(Left(), Paths{"link\\"}) << "the walk went on past it";
}

TEST_F(DeleteTreeHostile, AFileLinkWhoseHandleIsItsTargetIsLeftAndSoIsItsTarget) {
  // Wine lists a link to a file as a plain file with its target's number
  // and opens the target: the walk stops there as at a file it cannot
  // delete, and the target outside stays.
  fs.AddFile("C:\\outside\\secret.txt", "alive");
  Add({"evil.txt", "z.txt"});
  recording.HandlesFollowLinks();
  recording.FileLink(kFolder + "\\evil.txt", "C:\\outside\\secret.txt");
  EXPECT_EQ(DeleteTree(recording, kFolder), 0);
  EXPECT_EQ(fs.Contents("C:\\outside\\secret.txt"), "alive");
  EXPECT_EQ(Left(), (Paths{"evil.txt", "z.txt"}));
}

TEST_F(DeleteTreeHostile, ALinkThatCannotBeRemovedIsReportedAndTheWalkGoesOn) {
  fs.AddFile("C:\\outside\\canary.txt", "alive");
  Add({"a.txt", "later.txt"});
  ASSERT_TRUE(fs.AddLink(kFolder + "\\link", "C:\\outside"));
  platform.Fail("DeleteByHandle", ERROR_ACCESS_DENIED).OnPath("\\link");
  platform.Ui().ExpectMessageBox(MemoryFileSystem::SystemText(ERROR_ACCESS_DENIED), IDOK);
  EXPECT_EQ(DeleteTree(recording, kFolder), 1);
  EXPECT_EQ(recording.IndexOf("ListFolderHandle C:\\inst\\link"), -1);
  EXPECT_TRUE(recording.Logged("DeleteByHandle C:\\inst\\later.txt")) << "the walk went on";
  EXPECT_EQ(Left(), Paths{"link\\"});
  EXPECT_EQ(fs.Contents("C:\\outside\\canary.txt"), "alive");
}

// Between the listing and the opening of an entry, another program puts
// something else under its name: a folder of its own or a link to a folder
// outside. The entry opened is not the one listed, so it is reported and
// left alone, whatever it is.
TEST_F(DeleteTreeHostile, AnEntryReplacedAfterTheListingIsReportedAndLeft) {
  fs.AddFile("C:\\outside\\canary.txt", "alive");
  // y is replaced by a folder of the other program's, z by a link outside.
  Add({"y\\inner.txt", "z\\inner.txt"});
  for (const char* name : {"y", "z"}) {
    const CString entry = kFolder + "\\" + name;
    recording.BeforeOpening(entry.str(), [this, entry] {
      const CString away = entry + "-old";
      ASSERT_TRUE(fs.MoveFileExA(entry, &away, 0));
      if (entry.Right(1) == "z") {
        ASSERT_TRUE(fs.AddLink(entry, "C:\\outside"));
      } else {
        ASSERT_TRUE(fs.AddFile(entry + "\\theirs.txt", "theirs"));
      }
    });
  }
  const CString notFound = MemoryFileSystem::SystemText(ERROR_FILE_NOT_FOUND);
  platform.Ui().ExpectMessageBox(notFound, IDOK).ExpectMessageBox(notFound, IDOK);
  EXPECT_EQ(DeleteTree(recording, kFolder), 1);
  for (const char* gone : {"DeleteByHandle C:\\inst\\y", "DeleteByHandle C:\\inst\\z",
                           "ListFolderHandle C:\\inst\\y", "ListFolderHandle C:\\inst\\z"}) {
    EXPECT_FALSE(recording.Logged(gone)) << gone;
  }
  EXPECT_EQ(fs.Contents("C:\\outside\\canary.txt"), "alive");
  EXPECT_EQ(fs.Contents(kFolder + "\\y\\theirs.txt"), "theirs");
}

TEST_F(DeleteTreeHostile, AFolderNameThatIsNotExactIsReportedNeverUsed) {
  Add({"a.txt", "z.txt"});
  recording.AddEntry(kFolder, "x\\..\\..\\Windows", A_SUBDIR);
  recording.AddEntry(kFolder, "y?..?..?Windows", A_SUBDIR);
  recording.AddEntry(kFolder, " ..", A_SUBDIR);
  const CString invalid = MemoryFileSystem::SystemText(ERROR_INVALID_NAME);
  platform.Ui()
      .ExpectMessageBox(invalid, IDOK)
      .ExpectMessageBox(invalid, IDOK)
      .ExpectMessageBox(invalid, IDOK);
  EXPECT_EQ(DeleteTree(recording, kFolder), 1);
  for (const auto& entry : recording.Log()) {
    EXPECT_EQ(entry.find("Windows"), std::string::npos) << entry;
    EXPECT_EQ(entry.find(" .."), std::string::npos) << entry;
  }
  EXPECT_EQ(Left(), Paths{});
}

TEST_F(DeleteTreeHostile, AFileNameThatIsNotExactStopsTheWalkLikeAnUndeletableFile) {
  recording.AddEntry(kFolder, "..\\outside.txt", 0);
  EXPECT_EQ(DeleteTree(recording, kFolder), 0);
  EXPECT_EQ(recording.IndexOf("OpenEntryAt C:\\inst\\..\\"), -1);
  EXPECT_EQ(fs.GetLastError(), ERROR_INVALID_NAME);
}

}  // namespace
