// The shell through the layer: special folders, item lists, the folder
// picker, the file-name conversion and shortcut files read back through the
// system's own shell link.
#include "platform/win32/Win.h"

#include <cstdio>
#include <memory>
#include <thread>

#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Handles.h"
#include "platform/win32/Win32Shell.h"
#include "tests/e2e/platform/CheckSupport.h"

namespace check {

using win32::ComPtr;

LinkFields ReadLink(const std::wstring& file) {
  LinkFields fields;
  ComPtr<IShellLinkW> link;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.put_void()))) {
    return fields;
  }
  ComPtr<SysIPersistFile> persist;
  if (FAILED(link->QueryInterface(IID_IPersistFile, persist.put_void()))) return fields;
  fields.load = persist->Load(file.c_str(), STGM_READ);
  if (FAILED(fields.load)) return fields;
  wchar_t buffer[MAX_PATH + 1] = {};
  if (SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH))) fields.path = buffer;
  LPITEMIDLIST target = nullptr;
  if (SUCCEEDED(link->GetIDList(&target))) {
    win32::UniqueItemList owner(target);
    buffer[0] = 0;
    if (target != nullptr && ::SHGetPathFromIDListW(target, buffer)) fields.idListPath = buffer;
  }
  buffer[0] = 0;
  if (SUCCEEDED(link->GetWorkingDirectory(buffer, MAX_PATH))) fields.workingDirectory = buffer;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetIconLocation(buffer, MAX_PATH, &fields.iconIndex))) fields.iconPath = buffer;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetArguments(buffer, MAX_PATH))) fields.arguments = buffer;
  buffer[0] = 0;
  if (SUCCEEDED(link->GetDescription(buffer, MAX_PATH))) fields.description = buffer;
  return fields;
}

namespace {

// Wine keeps a shortcut's target path in the file as text of the system's ANSI
// code page, so under any other than 932 the Japanese characters of the path
// come back as '?'; the target's item list, checked beside it, is UTF-16.
void CheckLinkPath(cases::Checker& c, const std::wstring& got, const std::wstring& want) {
  if (::GetACP() == 932) {
    Wide(c, got, want, "  ... target path");
  } else {
    std::printf("SKIP   ... target path: kept in the system code page %u\n", ::GetACP());
  }
}

// Writes a shortcut the way the installer does, through the layer only.
HRESULT WriteLink(cases::Checker& c, IShell& shell, const CString& target, const CString& file,
                  const CString& folder, const char* icon, int iconIndex, const char* label) {
  std::unique_ptr<IShellLinkA> link;
  HRESULT hr = shell.CoCreateShellLink(link);
  std::string name = std::string("CoCreateShellLink for ") + label;
  if (!c.Number(hr, S_OK, name.c_str()) || !link) return hr;
  const bool setters = link->SetArguments("") == S_OK && link->SetDescription("") == S_OK &&
                       link->SetWorkingDirectory(folder.c_str()) == S_OK;
  hr = link->SetIconLocation(icon, iconIndex);
  name = std::string("SetIconLocation(") + (icon ? "path" : "null") + ") for " + label;
  c.Number(hr, S_OK, name.c_str());
  const bool setPath = link->SetPath(target.c_str()) == S_OK;
  name = std::string("the other setters succeed for ") + label;
  c(setters && setPath, name.c_str());
  std::unique_ptr<IPersistFile> persist;
  hr = link->QueryPersistFile(persist);
  name = std::string("QueryPersistFile for ") + label;
  if (!c.Number(hr, S_OK, name.c_str()) || !persist) return hr;
  std::u16string wide;
  const int chars = shell.MultiByteToWideChar(file.view(), wide, 260);
  name = std::string("MultiByteToWideChar of the shortcut path for ") + label;
  c(chars > 0 && static_cast<std::size_t>(chars) == wide.size() + 1, name.c_str());
  return persist->Save(wide, TRUE);
}

// Answers the folder picker from a second thread: waits for the process's
// dialog window, notes whether one of its controls shows the title, and
// presses the given button.
struct PickerAnswer {
  std::wstring title;
  int button = IDCANCEL;
  bool found = false;
  bool sawTitle = false;
};

BOOL CALLBACK FindTitle(HWND child, LPARAM param) {
  auto* answer = reinterpret_cast<PickerAnswer*>(param);
  wchar_t text[256] = {};
  ::GetWindowTextW(child, text, 255);
  if (answer->title == text) answer->sawTitle = true;
  return TRUE;
}

BOOL CALLBACK FindPicker(HWND window, LPARAM param) {
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  wchar_t className[64] = {};
  ::GetClassNameW(window, className, 63);
  if (process != ::GetCurrentProcessId() || !::IsWindowVisible(window) ||
      std::wstring_view(className) != L"#32770") {
    return TRUE;
  }
  auto* answer = reinterpret_cast<PickerAnswer*>(param);
  answer->found = true;
  ::EnumChildWindows(window, FindTitle, param);
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(answer->button, BN_CLICKED), 0);
  return FALSE;
}

ItemIdList RunPicker(IShell& shell, const CString& title, UINT flags, PickerAnswer& answer) {
  std::thread helper([&answer] {
    for (int i = 0; i < 300 && !answer.found; ++i) {
      ::Sleep(100);
      ::EnumWindows(FindPicker, reinterpret_cast<LPARAM>(&answer));
    }
  });
  BrowseInfo info;
  info.owner = nullptr;
  info.title = title;
  info.flags = flags;
  ItemIdList chosen = shell.SHBrowseForFolderA(info);
  helper.join();
  return chosen;
}

void CheckPicker(cases::Checker& c, IShell& shell) {
  PickerAnswer cancel;
  cancel.title = L"インストール先";
  const ItemIdList none = RunPicker(shell, "インストール先", BIF_RETURNONLYFSDIRS | BIF_EDITBOX, cancel);
  c(cancel.found, "SHBrowseForFolderA shows a dialog");
  c(cancel.sawTitle, "  ... with the title in UTF-16");
  c(none == nullptr, "  ... and gives no item list when cancelled");

  PickerAnswer ok;
  ok.title = L"ドラマCD";
  ok.button = IDOK;
  const ItemIdList chosen = RunPicker(shell, "ドラマCD", BIF_RETURNONLYFSDIRS, ok);
  CString path;
  c(ok.found && ok.sawTitle && chosen != nullptr && shell.SHGetPathFromIDListA(chosen.get(), path) != 0,
    "SHBrowseForFolderA confirmed at once gives the selected folder's item list");
  std::printf("     picked: %s\n", Shown(path).c_str());
  std::unique_ptr<IShellMalloc> malloc;
  if (SUCCEEDED(shell.SHGetMalloc(malloc)) && malloc) {
    malloc->Free(nullptr);
  }
}

}  // namespace

void CheckShell(cases::Checker& c, const Places& at) {
  Win32Shell shell;
  Win32FileSystem files;

  CString appData;
  c(shell.SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE) != 0,
    "SHGetSpecialFolderPathA(CSIDL_APPDATA)");
  const DWORD appDataAttributes = files.GetFileAttributesA(appData);
  c(appData.GetLength() > 3 && appData[1] == ':' && appData[2] == '\\' &&
        appDataAttributes != INVALID_FILE_ATTRIBUTES && (appDataAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
    "  ... is an existing folder below a drive root", appData.str());

  ItemIdList list;
  c.Number(shell.SHGetSpecialFolderLocation(::GetDesktopWindow(), CSIDL_PROGRAMS, list), S_OK,
           "SHGetSpecialFolderLocation(CSIDL_PROGRAMS)");
  CString programs;
  c(list != nullptr && shell.SHGetPathFromIDListA(list.get(), programs) != 0,
    "SHGetPathFromIDListA of the Programs item list");
  CString programsByPath;
  shell.SHGetSpecialFolderPathA(nullptr, programsByPath, CSIDL_PROGRAMS, FALSE);
  c(!programs.IsEmpty() && programs == programsByPath &&
        (files.GetFileAttributesA(programs) & FILE_ATTRIBUTE_DIRECTORY) != 0,
    "  ... names the existing Programs folder", programs.str());
  CString untouched = "unchanged";
  c(shell.SHGetPathFromIDListA(nullptr, untouched) == 0 && untouched == "unchanged",
    "SHGetPathFromIDListA of no list fails");
  std::unique_ptr<IShellMalloc> malloc;
  c.Number(shell.SHGetMalloc(malloc), S_OK, "SHGetMalloc");
  c(malloc != nullptr, "  ... gives an allocator");
  if (malloc) {
    malloc->Free(std::move(list));
    malloc->Free(nullptr);
  }

  CheckPicker(c, shell);

  // Conversion of the shortcut file name, and its limit.
  std::u16string wide;
  c.Number(shell.MultiByteToWideChar("ソ表", wide, 260), 3,
           "MultiByteToWideChar(\"ソ表\") counts the terminator");
  c(wide == u"ソ表", "  ... and converts with code page 932");
  c.Number(shell.MultiByteToWideChar("ソ表", wide, 2), 0,
           "MultiByteToWideChar into too small a buffer gives 0");
  c.Number(shell.MultiByteToWideChar(std::string(300, 'a'), wide, 260), 0,
           "MultiByteToWideChar of 300 characters into 260 gives 0");

  // Shortcuts, as the installer writes them, read back through the system.
  const HRESULT init = shell.CoInitialize();
  c(init == S_OK || init == S_FALSE, "CoInitialize");
  const CString folder = at.base + "\\リンク";
  files.CreateDirectoryA(folder);
  WriteLayer(files, folder + "\\index.html", "<html></html>");
  WriteLayer(files, folder + "\\uninst.exe", "MZ");
  const std::wstring wfolder = at.baseWide + L"\\リンク";

  HRESULT hr = WriteLink(c, shell, folder + "\\index.html", folder + "\\zuvIV１iru.lnk", folder, nullptr, 1,
                         "the content shortcut");
  c.Number(hr, S_OK, "IPersistFile::Save writes the content shortcut");
  c(WideExists(wfolder + L"\\zuvIV１iru.lnk"), "  ... under its UTF-16 name");
  LinkFields fields = ReadLink(wfolder + L"\\zuvIV１iru.lnk");
  c.Number(fields.load, S_OK, "  ... which the system loads");
  CheckLinkPath(c, fields.path, wfolder + L"\\index.html");
  Wide(c, fields.idListPath, wfolder + L"\\index.html", "  ... target item list");
  Wide(c, fields.workingDirectory, wfolder, "  ... working folder");
  Wide(c, fields.iconPath, L"", "  ... no icon file");
  Wide(c, fields.arguments, L"", "  ... no arguments");

  hr = WriteLink(c, shell, folder + "\\uninst.exe", folder + "\\UnInstall.lnk", folder,
                 (folder + "\\uninst.exe").c_str(), 1, "the uninstaller shortcut");
  c.Number(hr, S_OK, "IPersistFile::Save writes the uninstaller shortcut");
  fields = ReadLink(wfolder + L"\\UnInstall.lnk");
  CheckLinkPath(c, fields.path, wfolder + L"\\uninst.exe");
  Wide(c, fields.idListPath, wfolder + L"\\uninst.exe", "  ... target item list");
  Wide(c, fields.workingDirectory, wfolder, "  ... working folder");
  Wide(c, fields.iconPath, wfolder + L"\\uninst.exe", "  ... icon file");
  c.Number(fields.iconIndex, 1, "  ... icon index");

  std::unique_ptr<IShellLinkA> link;
  shell.CoCreateShellLink(link);
  std::unique_ptr<IPersistFile> persist;
  if (link) link->QueryPersistFile(persist);
  c(persist != nullptr && FAILED(persist->Save(u"C:\\無いフォルダ\\x.lnk", TRUE)) &&
        !WideExists(L"C:\\無いフォルダ\\x.lnk"),
    "IPersistFile::Save into a missing folder fails");
  persist.reset();
  link.reset();
  shell.CoUninitialize();
}

}  // namespace check
