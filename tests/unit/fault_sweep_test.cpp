// Fault-injection sweep: the copy phase of an installation of the sample CD
// is run once to count every platform call it makes, then once for each of
// those calls with that one call failing. Every run must end with IDOK or
// IDCANCEL, show only the flow's own messages (and at least one when it
// ends with IDCANCEL), change nothing outside the installation folder, the
// Start-menu folder and the uninstall key, and leave each rewritten page
// either as copied or as completely rewritten.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "installer/CopyDlg.h"
#include "installer/resource.h"
#include "installer/tool/Encoding.h"
#include "platform/memory/MemoryFaults.h"
#include "platform/memory/MemoryPlatform.h"
#include "shell/Names.h"
#include "tests/unit/TestSupport.h"

std::string_view InstallerResources();

namespace {

constexpr char kDest[] = "C:\\Program Files\\Harborlit\\Drama1";
constexpr char kPrograms[] = "C:\\Users\\me\\Start Menu\\Programs";
constexpr int kNeverFires = 1'000'000;

// Operations that report an HRESULT fail with E_FAIL; the others with a
// system error code (a full disk for writes).
DWORD FailureCodeFor(std::string_view operation) {
  static const std::vector<std::string_view> hresultOperations = {
      "SHGetSpecialFolderLocation", "SHGetMalloc", "CoInitialize", "CoCreateShellLink", "SetArguments",
      "SetDescription", "SetWorkingDirectory", "SetIconLocation", "SetPath", "QueryPersistFile", "Save"};
  if (std::find(hresultOperations.begin(), hresultOperations.end(), operation) != hresultOperations.end()) {
    return 0x80004005;
  }
  return operation == "Write" ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED;
}

struct Snapshot {
  std::map<std::string, std::string> files;  // path -> attributes and bytes ("D" for a folder)
  std::map<std::string, std::string> registry;
};

void SnapshotFolder(const MemoryFileSystem& files, const CString& folder, Snapshot& out) {
  for (const CString& name : files.List(folder)) {
    const CString path = folder.view().ends_with("\\") ? folder + name : folder + "\\" + name;
    if (files.IsFolder(path)) {
      out.files[path.str()] = "D" + std::to_string(files.Attributes(path).value_or(0));
      SnapshotFolder(files, path, out);
    } else {
      out.files[path.str()] = std::to_string(files.Attributes(path).value_or(0)) + ":" +
                              files.Contents(path).value_or("?");
    }
  }
}

void SnapshotKey(const MemoryRegistry& registry, const CString& path, Snapshot& out) {
  std::string values;
  for (const CString& name : registry.ValueNames(HKEY_LOCAL_MACHINE, path)) {
    const auto value = registry.GetValue(HKEY_LOCAL_MACHINE, path, name);
    values += name.str() + "=" + std::to_string(value->type) + ":" + value->bytes + ";";
  }
  out.registry[path.str()] = values;
  for (const CString& sub : registry.SubKeys(HKEY_LOCAL_MACHINE, path)) {
    SnapshotKey(registry, path.IsEmpty() ? sub : path + "\\" + sub, out);
  }
}

Snapshot Take(MemoryPlatform& platform) {
  Snapshot s;
  for (const char* root : {"C:\\", "Q:\\"}) SnapshotFolder(platform.Files(), root, s);
  SnapshotKey(platform.Registry(), "SOFTWARE", s);
  return s;
}

bool Below(const std::string& path, const std::string& folder) {
  return path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                            path[folder.size()] == '\\');
}

// One installation's copy phase on a fresh system holding the sample CD.
struct SweepRun {
  MemoryPlatform platform;
  FirstPaintFlag firstPaint;
  Snapshot before;

  SweepRun() {
    platform.Ui().AddResources(InstallerResources());
    platform.Ui().SetModuleFileName("Q:\\installer.exe");
    platform.Ui().AnswerUnscriptedMessageBoxes(IDNO);
    platform.Drives().Add('C', DRIVE_FIXED);
    platform.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
    platform.Shell().SetSpecialFolder(CSIDL_PROGRAMS, kPrograms);
    namespace fs = std::filesystem;
    const fs::path root = fs::path(DRAMA_SOURCE_DIR) / "sample-cd";
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      std::string relative = fs::relative(entry.path(), root).generic_string();
      std::replace(relative.begin(), relative.end(), '/', '\\');
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      platform.Files().AddFile("Q:\\" + Utf8ToCp932(relative).value(), bytes, FILE_ATTRIBUTE_READONLY);
    }
    platform.Files().AddFile("Q:\\uninst.dat", "MZ uninstaller", FILE_ATTRIBUTE_READONLY);
    platform.Files().SetCurrentFolder("Q:\\");
    // Neighbours that must stay as they are.
    platform.Files().AddFolder(kDest);
    platform.Files().AddFile("C:\\Program Files\\Harborlit\\other.txt", "other", 0);
    platform.Files().AddFile(CString(kPrograms) + "\\Other\\other.lnk", "link", 0);
    {
      CRegKey other(platform.Registry());
      other.Create(HKEY_LOCAL_MACHINE, CString(names::kUninstallParentKey) + "\\Other", 0, KEY_ALL_ACCESS);
      other.SetValue("DisplayName", "other");
    }
    before = Take(platform);
  }

  INT_PTR Copy() {
    platform.Ui().ExpectDialog(IDD_COPY, {});
    CCopyDlg dialog(platform, firstPaint);
    dialog.SetPaths("Q", kDest);
    return dialog.DoModal();
  }
};

TEST(FaultSweepTest, EveryFailingCallOfTheCopyPhaseEndsCleanly) {
  // The clean run: count the calls of each operation and keep the pages.
  std::map<std::string, int> calls;
  std::map<std::string, std::string> pagesCopied, pagesRewritten;
  {
    SweepRun clean;
    std::vector<FaultRule*> counters;
    for (std::string_view op : mem::KnownOperations()) {
      counters.push_back(&clean.platform.Fail(op, ERROR_ACCESS_DENIED).OnCall(kNeverFires));
    }
    ASSERT_EQ(clean.Copy(), IDOK) << clean.platform.Dump();
    ASSERT_TRUE(clean.platform.Ui().MessageBoxes().empty());
    for (const FaultRule* rule : counters) {
      if (rule->Seen() > 0) calls[rule->Operation()] = rule->Seen();
    }
    for (const char* page : {"01.html", "05.html"}) {
      const CString path = CString(kDest) + "\\" + page;
      pagesCopied[path.str()] = clean.platform.Files().Contents("Q:\\HTML\\" + CString(page)).value();
      pagesRewritten[path.str()] = clean.platform.Files().Contents(path).value();
      ASSERT_NE(pagesCopied[path.str()], pagesRewritten[path.str()]) << page;
    }
  }
  ASSERT_GT(calls["CopyFileA"], 5);
  ASSERT_GT(calls["Write"], 0);

  const std::vector<std::string> fixedMessages = {
      "install.datが見つかりませんでした。", "Error:Can't find ProgressBar", "ファイルのコピーに失敗しました。",
      "アンインストーラーのコピーに失敗しました。", "スタートメニューへの登録に失敗しました。"};
  const std::string startMenu = std::string(kPrograms) + "\\" + names::kStartMenuFolder;
  int runs = 0;
  for (const auto& [op, count] : calls) {
    for (int n = 1; n <= count; ++n) {
      SCOPED_TRACE(op + " call " + std::to_string(n));
      SweepRun run;
      run.platform.Fail(op, FailureCodeFor(op)).OnCall(n);
      INT_PTR result = 0;
      ASSERT_NO_THROW(result = run.Copy()) << run.platform.Dump();
      ++runs;
      EXPECT_TRUE(result == IDOK || result == IDCANCEL) << result;

      // Only the flow's own messages; a failed installation names its failure.
      const auto& boxes = run.platform.Ui().MessageBoxes();
      for (const auto& box : boxes) {
        const std::string text = box.text.str();
        const bool fixed = std::find(fixedMessages.begin(), fixedMessages.end(), text) != fixedMessages.end();
        bool aboutPage = false;
        for (const auto& [page, bytes] : pagesCopied) {
          aboutPage |= text == page + "が見つかりませんでした。" || text == page + "を作れませんでした。";
        }
        EXPECT_TRUE(fixed || aboutPage) << testing::PrintToString(box.text);
      }
      if (result == IDCANCEL) {
        EXPECT_FALSE(boxes.empty());
      }

      // Nothing changed outside the installation folder, the Start-menu
      // folder and the uninstall key.
      const Snapshot after = Take(run.platform);
      std::vector<std::string> changed;
      for (const auto& [path, state] : run.before.files) {
        auto it = after.files.find(path);
        if (it == after.files.end() || it->second != state) changed.push_back(path);
      }
      for (const auto& [path, state] : after.files) {
        if (!run.before.files.count(path)) changed.push_back(path);
      }
      for (const std::string& path : changed) {
        EXPECT_TRUE(Below(path, kDest) || Below(path, startMenu)) << "changed: " << path;
      }
      for (const auto& [key, values] : after.registry) {
        auto it = run.before.registry.find(key);
        if (it != run.before.registry.end() && it->second == values) continue;
        EXPECT_TRUE(Below(key, names::UninstallKey())) << "changed key: " << key;
      }
      for (const auto& [key, values] : run.before.registry) {
        if (!after.registry.count(key)) {
          EXPECT_TRUE(Below(key, names::UninstallKey())) << "removed: " << key;
        }
      }

      // A page is as copied or completely rewritten, never in between.
      for (const auto& [page, copied] : pagesCopied) {
        const auto now = run.platform.Files().Contents(page);
        if (!now) continue;
        EXPECT_TRUE(*now == copied || *now == pagesRewritten[page]) << page;
      }
      // Everything opened is closed, except what a failing close left open.
      EXPECT_EQ(run.platform.Files().OpenStreams(), 0);
      if (op != "findclose") {
        EXPECT_EQ(run.platform.Files().OpenSearches(), 0);
      }
      if (op != "RegCloseKey") {
        EXPECT_EQ(run.platform.Registry().OpenHandles(), 0);
      }
    }
  }
  EXPECT_GT(runs, 20);
  RecordProperty("runs", runs);
}

}  // namespace
