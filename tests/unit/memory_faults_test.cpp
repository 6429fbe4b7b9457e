// Failures on demand: every operation of the in-memory system can be made
// to fail, narrowed by path and by call number, and reports its code where
// the caller looks for it.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>

#include "tests/memory/MemorySystem.h"

namespace {

constexpr DWORD kCode = 0x1234;             // a Win32 code, for BOOL/handle and LONG operations
constexpr DWORD kHResultBits = 0x80004005;  // E_FAIL's bits, for HRESULT operations
const HRESULT kHResult = HResultFromBits(kHResultBits);

void Populate(MemorySystem& sys) {
  sys.Drives().Add('C', DRIVE_FIXED);
  sys.Files().AddFile("C:\\d\\f.txt", "text");
  sys.Files().AddFolder("C:\\d\\empty");
  sys.Shell().SetSpecialFolder(CSIDL_PROGRAMS, "C:\\Programs");
  sys.Shell().SetBrowseHandler([](const BrowseInfo&) { return std::optional<CString>("C:\\d"); });
  sys.Registry().AddKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Key");
}

std::unique_ptr<IShellLinkA> Link(MemorySystem& sys) {
  sys.Shell().CoInitialize();
  std::unique_ptr<IShellLinkA> link;
  sys.Shell().CoCreateShellLink(link);
  return link;
}

struct OperationCase {
  const char* operation;
  DWORD code;
  // Runs the operation once; true when it failed the way the rule says.
  std::function<bool(MemorySystem&)> failsWithCode;
};

bool LastIs(MemorySystem& sys) { return sys.LastError() == kCode; }

const std::vector<OperationCase>& Cases() {
  static const std::vector<OperationCase> cases = {
      {"findfirst", kCode,
       [](MemorySystem& s) {
         FindData e;
         return s.Files().findfirst("C:\\d\\*.*", e) == -1 && LastIs(s);
       }},
      {"findnext", kCode,
       [](MemorySystem& s) {
         FindData e;
         const INT_PTR h = s.Files().findfirst("C:\\d\\*.*", e);
         return s.Files().findnext(h, e) == -1 && LastIs(s);
       }},
      {"findclose", kCode,
       [](MemorySystem& s) {
         FindData e;
         const INT_PTR h = s.Files().findfirst("C:\\d\\*.*", e);
         return s.Files().findclose(h) == -1 && LastIs(s) && s.Files().OpenSearches() == 1;
       }},
      {"CreateDirectoryA", kCode,
       [](MemorySystem& s) {
         return !s.Files().CreateDirectoryA("C:\\d\\new") && LastIs(s) && !s.Files().Exists("C:\\d\\new");
       }},
      {"CopyFileA", kCode,
       [](MemorySystem& s) {
         return !s.Files().CopyFileA("C:\\d\\f.txt", "C:\\d\\g.txt", FALSE) && LastIs(s) &&
                !s.Files().Exists("C:\\d\\g.txt");
       }},
      {"GetFileAttributesA", kCode,
       [](MemorySystem& s) {
         return s.Files().GetFileAttributesA("C:\\d\\f.txt") == INVALID_FILE_ATTRIBUTES && LastIs(s);
       }},
      {"SetFileAttributesA", kCode,
       [](MemorySystem& s) {
         return !s.Files().SetFileAttributesA("C:\\d\\f.txt", FILE_ATTRIBUTE_READONLY) && LastIs(s) &&
                s.Files().Attributes("C:\\d\\f.txt") == FILE_ATTRIBUTE_ARCHIVE;
       }},
      {"DeleteFileA", kCode,
       [](MemorySystem& s) {
         return !s.Files().DeleteFileA("C:\\d\\f.txt") && LastIs(s) && s.Files().Exists("C:\\d\\f.txt");
       }},
      {"RemoveDirectoryA", kCode,
       [](MemorySystem& s) {
         return !s.Files().RemoveDirectoryA("C:\\d\\empty") && LastIs(s) && s.Files().Exists("C:\\d\\empty");
       }},
      {"MoveFileExA", kCode,
       [](MemorySystem& s) {
         return !s.Files().MoveFileExA("C:\\d\\f.txt", nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) && LastIs(s) &&
                s.Files().RestartList().empty();
       }},
      {"GetCurrentDirectoryA", kCode,
       [](MemorySystem& s) {
         CString f;
         return s.Files().GetCurrentDirectoryA(261, f) == 0 && LastIs(s);
       }},
      {"GetWindowsDirectoryA", kCode,
       [](MemorySystem& s) {
         CString f = "x";
         return s.Files().GetWindowsDirectoryA(f) == 0 && f == "x" && LastIs(s);
       }},
      {"SetCurrentDirectoryA", kCode,
       [](MemorySystem& s) {
         return !s.Files().SetCurrentDirectoryA("C:\\d") && LastIs(s) && s.Files().CurrentFolder() == "C:\\";
       }},
      {"FormatMessageA", kCode,
       [](MemorySystem& s) { return s.Files().FormatMessageA(ERROR_ACCESS_DENIED).IsEmpty() && LastIs(s); }},
      {"OpenFolderHandle", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         return !top.IsOpen() && LastIs(s);
       }},
      {"OpenEntryAt", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle f(s.Files(), s.Files().OpenEntryAt(top.get(), "f.txt"));
         return !f.IsOpen() && LastIs(s);
       }},
      {"GetHandleAttributes", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         return s.Files().GetHandleAttributes(top.get()) == INVALID_FILE_ATTRIBUTES && LastIs(s);
       }},
      {"ListFolderHandle", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         std::vector<FolderEntry> entries;
         return !s.Files().ListFolderHandle(top.get(), entries) && LastIs(s);
       }},
      {"DeleteByHandle", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle f(s.Files(), s.Files().OpenEntryAt(top.get(), "f.txt"));
         return !s.Files().DeleteByHandle(f.get()) && LastIs(s) && f.Close() &&
                s.Files().Exists("C:\\d\\f.txt");
       }},
      {"GetFinalPathNameByHandleA", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CString path = "kept";
         return s.Files().GetFinalPathNameByHandleA(top.get(), path) == 0 && LastIs(s) && path == "kept";
       }},
      {"GetHandleSecurity", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         EntrySecurity security;
         return !s.Files().GetHandleSecurity(top.get(), security) && LastIs(s);
       }},
      {"GetHandleLinkCount", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle f(s.Files(), s.Files().OpenEntryAt(top.get(), "f.txt"));
         DWORD links = 0;
         return !s.Files().GetHandleLinkCount(f.get(), links) && LastIs(s);
       }},
      {"GetHandleVolumeFlags", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         DWORD flags = 0;
         return !s.Files().GetHandleVolumeFlags(top.get(), flags) && LastIs(s);
       }},
      {"OpenFolderAt", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle sub(s.Files(), s.Files().OpenFolderAt(top.get(), "empty"));
         return !sub.IsOpen() && LastIs(s);
       }},
      {"CreateFolderAt", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle sub(s.Files(), s.Files().CreateFolderAt(top.get(), "new", nullptr));
         return !sub.IsOpen() && LastIs(s) && !s.Files().Exists("C:\\d\\new");
       }},
      {"CreateFileAt", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle f(s.Files(), s.Files().CreateFileAt(top.get(), "new.txt"));
         return !f.IsOpen() && LastIs(s) && !s.Files().Exists("C:\\d\\new.txt");
       }},
      {"WriteByHandle", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle f(s.Files(), s.Files().CreateFileAt(top.get(), "new.txt"));
         return !s.Files().WriteByHandle(f.get(), "x", 1) && LastIs(s) && f.Close() &&
                s.Files().Contents("C:\\d\\new.txt") == "";
       }},
      {"SetHandleAttributes", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle f(s.Files(), s.Files().OpenEntryAt(top.get(), "f.txt"));
         return !s.Files().SetHandleAttributes(f.get(), FILE_ATTRIBUTE_READONLY) && LastIs(s) && f.Close() &&
                s.Files().Attributes("C:\\d\\f.txt") != FILE_ATTRIBUTE_READONLY;
       }},
      {"RenameByHandle", kCode,
       [](MemorySystem& s) {
         CEntryHandle top(s.Files(), s.Files().OpenFolderHandle("C:\\d"));
         CEntryHandle f(s.Files(), s.Files().OpenEntryAt(top.get(), "f.txt"));
         return !s.Files().RenameByHandle(f.get(), top.get(), "g.txt", FALSE) && LastIs(s) && f.Close() &&
                s.Files().Exists("C:\\d\\f.txt");
       }},
      {"GetLongPathNameA", kCode,
       [](MemorySystem& s) {
         CString longPath = "kept";
         return s.Files().GetLongPathNameA("C:\\d", longPath) == 0 && LastIs(s) && longPath == "kept";
       }},
      {"GetFullPathNameA", kCode,
       [](MemorySystem& s) {
         CString full = "kept";
         return s.Files().GetFullPathNameA("d\\..\\e", full) == 0 && LastIs(s) && full == "kept";
       }},
      {"OpenFile", kCode,
       [](MemorySystem& s) {
         return s.Files().OpenFile("C:\\d\\f.txt", FileOpenMode::Read) == nullptr && LastIs(s);
       }},
      {"Read", kCode,
       [](MemorySystem& s) {
         auto stream = s.Files().OpenFile("C:\\d\\f.txt", FileOpenMode::Read);
         char buffer[8];
         return stream && stream->Read(buffer, sizeof buffer) == 0 && LastIs(s);
       }},
      {"Write", kCode,
       [](MemorySystem& s) {
         auto stream = s.Files().OpenFile("C:\\d\\w.txt", FileOpenMode::Write);
         return stream && !stream->Write("x", 1) && LastIs(s) && s.Files().Contents("C:\\d\\w.txt") == "";
       }},
      {"GetDriveTypeA", DRIVE_REMOTE,
       [](MemorySystem& s) { return s.Drives().GetDriveTypeA("C:\\") == DRIVE_REMOTE; }},
      {"GetVolumeInformationA", kCode,
       [](MemorySystem& s) {
         CString l;
         return !s.Drives().GetVolumeInformationA("C:\\", l) && LastIs(s);
       }},
      {"SHGetSpecialFolderPathA", kCode,
       [](MemorySystem& s) {
         CString p;
         return !s.Shell().SHGetSpecialFolderPathA(nullptr, p, CSIDL_PROGRAMS, FALSE) && LastIs(s);
       }},
      {"SHGetSpecialFolderLocation", kHResultBits,
       [](MemorySystem& s) {
         ItemIdList list;
         return s.Shell().SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, list) == kHResult && !list;
       }},
      {"SHGetPathFromIDListA", kCode,
       [](MemorySystem& s) {
         ItemIdList list;
         s.Shell().SHGetSpecialFolderLocation(nullptr, CSIDL_PROGRAMS, list);
         CString p;
         return !s.Shell().SHGetPathFromIDListA(list.get(), p) && LastIs(s);
       }},
      {"SHGetMalloc", kHResultBits,
       [](MemorySystem& s) {
         std::unique_ptr<IShellMalloc> m;
         return s.Shell().SHGetMalloc(m) == kHResult && !m;
       }},
      {"SHBrowseForFolderA", kCode,
       [](MemorySystem& s) { return s.Shell().SHBrowseForFolderA(BrowseInfo()) == nullptr && LastIs(s); }},
      {"CoInitialize", kHResultBits,
       [](MemorySystem& s) {
         return s.Shell().CoInitialize() == kHResult && s.Shell().Counters().comDepth == 0;
       }},
      {"CoCreateShellLink", kHResultBits,
       [](MemorySystem& s) {
         s.Shell().CoInitialize();
         std::unique_ptr<IShellLinkA> link;
         return s.Shell().CoCreateShellLink(link) == kHResult && !link;
       }},
      {"SetArguments", kHResultBits, [](MemorySystem& s) { return Link(s)->SetArguments("a") == kHResult; }},
      {"SetDescription", kHResultBits,
       [](MemorySystem& s) { return Link(s)->SetDescription("a") == kHResult; }},
      {"SetWorkingDirectory", kHResultBits,
       [](MemorySystem& s) { return Link(s)->SetWorkingDirectory("a") == kHResult; }},
      {"SetIconLocation", kHResultBits,
       [](MemorySystem& s) { return Link(s)->SetIconLocation(nullptr, 1) == kHResult; }},
      {"SetPath", kHResultBits, [](MemorySystem& s) { return Link(s)->SetPath("a") == kHResult; }},
      {"QueryPersistFile", kHResultBits,
       [](MemorySystem& s) {
         std::unique_ptr<IPersistFile> persist;
         return Link(s)->QueryPersistFile(persist) == kHResult && !persist;
       }},
      {"Save", kHResultBits,
       [](MemorySystem& s) {
         std::unique_ptr<IPersistFile> persist;
         Link(s)->QueryPersistFile(persist);
         return persist->Save(u"C:\\d\\a.lnk", TRUE) == kHResult && !s.Files().Exists("C:\\d\\a.lnk");
       }},
      {"MultiByteToWideChar", kCode,
       [](MemorySystem& s) {
         std::u16string w;
         return s.Shell().MultiByteToWideChar("a", w, 260) == 0 && LastIs(s);
       }},
      {"RegCreateKeyExA", kCode,
       [](MemorySystem& s) {
         HKEY key = nullptr;
         return s.Registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\New", 0, KEY_ALL_ACCESS, &key,
                                             nullptr) == static_cast<LONG>(kCode) &&
                key == nullptr && !s.Registry().HasKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\New");
       }},
      {"RegSetValueExA", kCode,
       [](MemorySystem& s) {
         return s.Registry().RegSetValueExA(HKEY_LOCAL_MACHINE, "V", REG_SZ,
                                            reinterpret_cast<const BYTE*>("x"),
                                            2) == static_cast<LONG>(kCode) &&
                !s.Registry().GetValue(HKEY_LOCAL_MACHINE, "", "V");
       }},
      {"RegDeleteKeyA", kCode,
       [](MemorySystem& s) {
         return s.Registry().RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Key") == static_cast<LONG>(kCode) &&
                s.Registry().HasKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Key");
       }},
      {"RegCloseKey", kCode,
       [](MemorySystem& s) {
         HKEY key = nullptr;
         s.Registry().RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Key", 0, KEY_ALL_ACCESS, &key, nullptr);
         return s.Registry().RegCloseKey(key) == static_cast<LONG>(kCode);
       }},
  };
  return cases;
}

TEST(MemoryFaults, EveryOperationCanFail) {
  for (const OperationCase& c : Cases()) {
    SCOPED_TRACE(c.operation);
    MemorySystem sys;
    Populate(sys);
    FaultRule& rule = sys.Fail(c.operation, c.code);
    EXPECT_TRUE(rule.IsKnownOperation());
    EXPECT_TRUE(c.failsWithCode(sys)) << sys.Dump();
    EXPECT_EQ(rule.Fired(), 1);
  }
  // And without the rule each one succeeds, so the check above means something.
  for (const OperationCase& c : Cases()) {
    SCOPED_TRACE(c.operation);
    MemorySystem sys;
    Populate(sys);
    EXPECT_FALSE(c.failsWithCode(sys));
  }
  // Every name a rule accepts is in the table.
  for (std::string_view name : mem::KnownOperations()) {
    const bool listed = std::any_of(Cases().begin(), Cases().end(),
                                    [&](const OperationCase& c) { return c.operation == name; });
    EXPECT_TRUE(listed) << name;
  }
}

class MemoryFaultRules : public ::testing::Test {
 protected:
  MemoryFaultRules() {
    sys.Drives().Add('C', DRIVE_FIXED);
    sys.Drives().Add('Q', DRIVE_CDROM, "CD");
    for (const char* page : {"01.html", "05.html", "06.html"}) {
      sys.Files().AddFile(CString("Q:\\HTML\\") + page, page, FILE_ATTRIBUTE_READONLY);
    }
    sys.Files().AddFolder("C:\\dest");
  }
  BOOL Copy(const char* page) {
    return sys.Files().CopyFileA(CString("Q:\\HTML\\") + page, CString("C:\\dest\\") + page, FALSE);
  }

  MemorySystem sys;
};

TEST_F(MemoryFaultRules, OnPathAndTimes) {
  FaultRule& rule = sys.Fail("CopyFileA", ERROR_DISK_FULL).OnPath("\\05.HTML").Times(1);
  EXPECT_TRUE(Copy("01.html"));
  EXPECT_FALSE(Copy("05.html"));
  EXPECT_EQ(sys.Files().GetLastError(), ERROR_DISK_FULL);
  EXPECT_FALSE(sys.Files().Exists("C:\\dest\\05.html"));
  EXPECT_TRUE(Copy("05.html"));  // only once
  EXPECT_EQ(rule.Seen(), 2);
  EXPECT_EQ(rule.Fired(), 1);
}

TEST_F(MemoryFaultRules, OnCallCountsMatchingCallsOnly) {
  FaultRule& third = sys.Fail("CopyFileA", ERROR_ACCESS_DENIED).OnCall(3);
  FaultRule& later = sys.Fail("DeleteFileA", ERROR_SHARING_VIOLATION).OnCall(2).Times(2);
  EXPECT_TRUE(Copy("01.html"));
  EXPECT_TRUE(Copy("05.html"));
  sys.Files().DeleteFileA("C:\\dest\\none");  // another operation: not counted by the copy rule
  EXPECT_FALSE(Copy("06.html"));
  EXPECT_EQ(sys.LastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Copy("06.html"));
  EXPECT_EQ(third.Fired(), 1);

  // Calls 2 and 3 of DeleteFileA fail; call 1 was the one above.
  EXPECT_FALSE(sys.Files().DeleteFileA("C:\\dest\\01.html"));
  EXPECT_EQ(sys.LastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(sys.Files().DeleteFileA("C:\\dest\\01.html"));
  EXPECT_TRUE(sys.Files().SetFileAttributesA("C:\\dest\\01.html", FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(sys.Files().DeleteFileA("C:\\dest\\01.html"));
  EXPECT_EQ(later.Fired(), 2);
}

TEST_F(MemoryFaultRules, PathsMatchAsWrittenOrInFull) {
  ASSERT_TRUE(sys.Files().SetCurrentFolder("Q:\\HTML"));
  sys.Fail("CopyFileA", ERROR_DISK_FULL).OnPath("q:\\html\\01");
  EXPECT_FALSE(sys.Files().CopyFileA("01.html", "C:\\dest\\x.html", FALSE));
  EXPECT_TRUE(sys.Files().CopyFileA("05.html", "C:\\dest\\x.html", FALSE));
}

TEST_F(MemoryFaultRules, FirstFiringRuleGivesTheCodeAndClearRemovesAll) {
  FaultRule& first = sys.Fail("CopyFileA", ERROR_DISK_FULL).Times(1);
  FaultRule& second = sys.Fail("CopyFileA", ERROR_ACCESS_DENIED).Times(1);
  EXPECT_FALSE(Copy("01.html"));
  EXPECT_EQ(sys.LastError(), ERROR_DISK_FULL);
  EXPECT_FALSE(Copy("01.html"));
  EXPECT_EQ(sys.LastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(first.Seen(), 2);
  EXPECT_EQ(second.Fired(), 1);
  sys.Fail("CopyFileA", ERROR_DISK_FULL);
  sys.ClearFaults();
  EXPECT_TRUE(Copy("01.html"));
}

TEST_F(MemoryFaultRules, UnknownOperationIsRefusedAtOnce) {
  // A misspelt name would never fire: refused where it is written.
  try {
    sys.Fail("CopyFile", ERROR_DISK_FULL);
    ADD_FAILURE() << "the unknown operation was accepted";
  } catch (const std::invalid_argument& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find("memory_faults_test.cpp:"), std::string::npos) << message;
    EXPECT_NE(message.find("\"CopyFile\""), std::string::npos) << message;
    EXPECT_NE(message.find("CopyFileA"), std::string::npos) << "lists the names a rule may use: " << message;
  }
  EXPECT_TRUE(Copy("01.html"));
  EXPECT_EQ(sys.Dump().find("Failures on demand"), std::string::npos) << "no rule was added";
}

TEST_F(MemoryFaultRules, UnfiredRulesAreListedWithTheLineThatMadeThem) {
  const int line = __LINE__ + 1;
  sys.Fail("DeleteFileA", ERROR_ACCESS_DENIED);
  sys.Fail("CopyFileA", ERROR_DISK_FULL).OnPath("\\06.html");
  EXPECT_TRUE(Copy("01.html"));
  EXPECT_FALSE(Copy("06.html"));
  const std::string unfired = sys.UnfiredFaults();
  EXPECT_NE(unfired.find("DeleteFileA"), std::string::npos) << unfired;
  EXPECT_NE(unfired.find("memory_faults_test.cpp:" + std::to_string(line)), std::string::npos) << unfired;
  EXPECT_EQ(unfired.find("CopyFileA"), std::string::npos) << "it fired: " << unfired;
  sys.ClearFaults();
  EXPECT_EQ(sys.UnfiredFaults(), "");
}

TEST(MemoryFaultPlan, RequiredRulesThatNeverFiredFailTheTest) {
  ::testing::TestPartResultArray failures;
  int line = 0;
  {
    ::testing::ScopedFakeTestPartResultReporter reporter(
        ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    MemorySystem sys;
    sys.Drives().Add('C', DRIVE_FIXED);
    sys.Files().AddFile("C:\\a.txt", "a");
    sys.RequireEveryFaultFires();
    sys.Fail("DeleteFileA", ERROR_ACCESS_DENIED);
    line = __LINE__ + 1;  // the line of the call below
    sys.Fail("RemoveDirectoryA", ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(sys.Files().DeleteFileA("C:\\a.txt"));
  }
  ASSERT_EQ(failures.size(), 1) << "only the rule that never fired";
  const ::testing::TestPartResult& failure = failures.GetTestPartResult(0);
  EXPECT_EQ(failure.line_number(), line);
  EXPECT_NE(std::string(failure.message()).find("RemoveDirectoryA"), std::string::npos) << failure.message();
}

}  // namespace
