#include "tests/unit/SweepSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "installer/resource.h"
#include "installer/tool/Encoding.h"
#include "shell/Names.h"
#include "tests/memory/MemoryFaults.h"
#include "tests/memory/MemoryPath.h"
#include "tests/unit/InstallerTexts.h"

std::string_view InstallerResources();

namespace sweep {

namespace {

constexpr int kNeverFires = 1'000'000'000;

// The CD as relative paths (Shift-JIS, backslashes) and bytes.
const std::map<std::string, std::string>& SampleCdFiles() {
  static const std::map<std::string, std::string> files = [] {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> read;
    const fs::path root = fs::path(DRAMA_SOURCE_DIR) / "sample-cd";
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file()) continue;
      std::string relative = fs::relative(entry.path(), root).generic_string();
      std::replace(relative.begin(), relative.end(), '/', '\\');
      std::ifstream in(entry.path(), std::ios::binary);
      read[Utf8ToCp932(relative).value()] =
          std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    return read;
  }();
  return files;
}

void SnapshotFolder(const MemoryFileSystem& files, const CString& folder, Snapshot& out) {
  for (const CString& name : files.List(folder)) {
    const CString path = folder.view().ends_with("\\") ? folder + name : folder + "\\" + name;
    if (files.IsFolder(path)) {
      out.files[path.str()] = "D" + std::to_string(files.Attributes(path).value_or(0));
      SnapshotFolder(files, path, out);
    } else {
      out.files[path.str()] =
          std::to_string(files.Attributes(path).value_or(0)) + ":" + files.Contents(path).value_or("?");
    }
  }
}

void SnapshotKey(const MemoryRegistry& registry, const CString& path, Snapshot& out) {
  std::string values;
  for (const CString& name : registry.ValueNames(HKEY_LOCAL_MACHINE, path)) {
    const auto value = registry.GetValue(HKEY_LOCAL_MACHINE, path, name);
    values += name.str() + "=" + std::to_string(value->type) + ":" + value->bytes + ";";
  }
  out.keys[path.str()] = values;
  for (const CString& sub : registry.SubKeys(HKEY_LOCAL_MACHINE, path)) {
    SnapshotKey(registry, path.IsEmpty() ? sub : path + "\\" + sub, out);
  }
}

bool BelowAny(std::string_view path, const std::vector<std::string>& places) {
  return std::any_of(places.begin(), places.end(), [&](const std::string& p) { return Below(path, p); });
}

}  // namespace

void SetUpSystem(MemoryPlatform& platform) {
  // Pixels are not what a sweep looks at.
  platform.Ui().RenderPixels(false);
  platform.Drives().Add('C', DRIVE_FIXED);
  platform.Drives().Add('P', DRIVE_CDROM, "OTHER_CD");
  platform.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
  AddSampleCd(platform.Files(), 'Q');
  platform.Files().AddFile("P:\\install.dat", "index.html\r\n", FILE_ATTRIBUTE_READONLY);
  platform.Files().SetCurrentFolder("Q:\\");
  platform.Shell().SetSpecialFolder(CSIDL_PROGRAMS, kPrograms);
  platform.Shell().SetSpecialFolder(CSIDL_APPDATA, "C:\\Users\\me\\AppData\\Roaming");
  platform.Files().AddFolder("C:\\Windows\\System32");
  platform.Files().AddFile("C:\\canary.txt", "root");
  platform.Files().AddFile("C:\\Program Files\\canary.txt", "grandparent");
  platform.Files().AddFile("C:\\Program Files\\Harborlit\\other.txt", "beside");
  platform.Files().AddFile("C:\\Program Files\\Harborlit\\Drama1-old\\keep.txt", "a look-alike neighbour");
  platform.Files().AddFile("C:\\Users\\me\\Documents\\canary.txt", "elsewhere");
  platform.Files().AddFile("C:\\Users\\me\\Documents\\sub\\deep.txt", "elsewhere");
  platform.Files().AddFile(kPrograms + "\\Other\\other.lnk", "another program's shortcut");
  platform.Files().AddFile(kPrograms + "\\loose.lnk", "a shortcut beside the folder");
  CRegKey other(platform.Registry());
  other.Create(HKEY_LOCAL_MACHINE, std::string(names::kUninstallParentKey) + "\\Other", 0, KEY_ALL_ACCESS);
  other.SetValue("DisplayName", "another program");
  other.Close();
  platform.Registry().AddKey(HKEY_LOCAL_MACHINE, names::UninstallKey() + "-old");
}

const std::vector<std::string>& InstallerQuestions() {
  using namespace installer_texts;
  static const std::vector<std::string> questions = {kStart, kQuit, kCreate, kOverwrite};
  return questions;
}

void AnswerAsTheInstallersUser(MemoryUi& ui, const char* dest) {
  ui.AddResources(InstallerResources());
  ui.SetModuleFileName("Q:\\installer.exe");
  if (dest != nullptr) {
    // The destination typed once; shown again (the destination refused), the
    // dialog is left, and the quit question answered Yes.
    ui.ExpectDialog(IDD_SETUP, {UiAction::Type(IDC_SETUP_DEST, dest), UiAction::Return()})
        .AlwaysAnswerDialog(IDD_SETUP, {UiAction::Escape()});
  } else {
    ui.AlwaysAnswerDialog(IDD_SETUP, {UiAction::Return()});
  }
  ui.AlwaysAnswerDialog(IDD_COPY, {}).AlwaysAnswerDialog(IDD_FINISH, {UiAction::Return()});
  for (const std::string& question : InstallerQuestions()) ui.AlwaysAnswerMessageBox(question, IDYES);
  ui.AnswerUnscriptedMessageBoxes(IDNO);
  ui.LimitUserSteps(kMaxUserSteps);
}

void AddSampleCd(MemoryFileSystem& files, char drive) {
  const CString root = CString(drive) + ":\\";
  for (const auto& [relative, bytes] : SampleCdFiles()) {
    files.AddFile(root + relative, bytes, FILE_ATTRIBUTE_READONLY);
  }
  files.AddFile(root + "uninst.dat", "MZ uninstaller", FILE_ATTRIBUTE_READONLY);
}

DWORD FailureCodeFor(std::string_view operation) {
  static const std::vector<std::string_view> hresultOperations = {"SHGetSpecialFolderLocation",
                                                                  "SHGetMalloc",
                                                                  "CoInitialize",
                                                                  "CoCreateShellLink",
                                                                  "SetArguments",
                                                                  "SetDescription",
                                                                  "SetWorkingDirectory",
                                                                  "SetIconLocation",
                                                                  "SetPath",
                                                                  "QueryPersistFile",
                                                                  "Save"};
  if (std::find(hresultOperations.begin(), hresultOperations.end(), operation) != hresultOperations.end()) {
    return 0x80004005;
  }
  // A drive whose type cannot be told.
  if (operation == "GetDriveTypeA") return DRIVE_UNKNOWN;
  return operation == "Write" ? ERROR_DISK_FULL : ERROR_ACCESS_DENIED;
}

CallCounter::CallCounter(MemorySystem& system) {
  for (std::string_view op : mem::KnownOperations()) {
    m_rules.push_back(&system.Fail(op, ERROR_ACCESS_DENIED).OnCall(kNeverFires));
  }
}

std::map<std::string, int> CallCounter::Counts() const {
  std::map<std::string, int> counts;
  for (const mem::FaultRule* rule : m_rules) {
    if (rule->Seen() > 0) counts[rule->Operation()] = rule->Seen();
  }
  return counts;
}

int CallCounter::Total() const {
  int total = 0;
  for (const mem::FaultRule* rule : m_rules) total += rule->Seen();
  return total;
}

Snapshot Take(MemoryPlatform& platform, std::string_view drives) {
  Snapshot s;
  for (char drive : drives) SnapshotFolder(platform.Files(), CString(drive) + ":\\", s);
  SnapshotKey(platform.Registry(), "", s);
  for (const mem::RestartEntry& e : platform.Files().RestartList()) {
    s.restart.push_back(e.path.str());
    if (e.newName) s.restart.push_back(e.newName->str());
  }
  return s;
}

bool Below(std::string_view path, std::string_view folder) {
  if (path.size() < folder.size() || MbsICmp(path.substr(0, folder.size()), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == '\\';
}

std::vector<std::string> ChangesOutside(const Snapshot& before, const Snapshot& after,
                                        const std::vector<std::string>& folders,
                                        const std::vector<std::string>& keys) {
  std::vector<std::string> outside;
  for (const std::string& path : Differences(before.files, after.files)) {
    if (!BelowAny(path, folders)) outside.push_back("file " + path);
  }
  for (const std::string& key : Differences(before.keys, after.keys)) {
    if (!BelowAny(key, keys)) outside.push_back("key " + key);
  }
  for (const std::string& path : after.restart) {
    if (!BelowAny(path, folders)) outside.push_back("restart entry " + path);
  }
  return outside;
}

std::vector<std::string> Differences(const std::map<std::string, std::string>& a,
                                     const std::map<std::string, std::string>& b) {
  std::vector<std::string> out;
  for (const auto& [key, value] : a) {
    const auto it = b.find(key);
    if (it == b.end() || it->second != value) out.push_back(key);
  }
  for (const auto& [key, value] : b) {
    if (!a.count(key)) out.push_back(key);
  }
  return out;
}

std::map<std::string, std::string> FilesBelow(const Snapshot& snapshot, const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& [path, state] : snapshot.files) {
    if (!Below(path, folder) || path.size() == folder.size() || state.starts_with("D")) continue;
    files[path.substr(folder.size() + 1)] = state.substr(state.find(':') + 1);
  }
  return files;
}

}  // namespace sweep
