#include "tests/e2e/driver/Checks.h"

#include "tests/e2e/driver/Desktop.h"
#include "tests/e2e/inspect/ReadBack.h"

#include <shellapi.h>
#include <winioctl.h>

#include <algorithm>
#include <cstring>
#include <cwctype>
#include <set>
#include <vector>

namespace e2e {
namespace {

// Every entry below `folder`, relative to it, a folder ending in a
// backslash. Links and junctions are listed, never entered.
bool ListTree(const std::wstring& folder, const std::wstring& prefix, std::set<std::wstring>& out, std::string& error) {
  WIN32_FIND_DATAW data{};
  const HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    error = "cannot list " + Narrow(folder) + ", error " + std::to_string(GetLastError());
    return false;
  }
  bool ok = true;
  std::vector<std::wstring> folders;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.insert(prefix + name + (isFolder ? L"\\" : L""));
    if (isFolder && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) folders.push_back(name);
  } while (FindNextFileW(search, &data));
  FindClose(search);
  for (const auto& name : folders) {
    ok = ok && ListTree(folder + L"\\" + name, prefix + name + L"\\", out, error);
  }
  return ok;
}

bool ExpectTree(const Command& cmd, std::string& note, std::string& error) {
  std::string listing;
  if (!ReadWholeFile(ToWindowsPath(cmd.words[1]), listing, error)) return false;
  std::set<std::wstring> wanted;
  std::size_t start = 0;
  while (start < listing.size()) {
    auto end = listing.find('\n', start);
    if (end == std::string::npos) end = listing.size();
    std::string line = listing.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') wanted.insert(Widen(line));
    start = end + 1;
  }
  std::set<std::wstring> found;
  if (!ListTree(Widen(cmd.words[0]), L"", found, error)) return false;
  std::string missing;
  std::string extra;
  for (const auto& w : wanted) {
    if (!found.count(w)) missing += " " + Narrow(w);
  }
  for (const auto& f : found) {
    if (!wanted.count(f)) extra += " " + Narrow(f);
  }
  if (!missing.empty() || !extra.empty()) {
    error = "missing:" + (missing.empty() ? std::string(" none") : missing) +
            "; not listed:" + (extra.empty() ? std::string(" none") : extra);
    return false;
  }
  note = std::to_string(found.size()) + " entries, as listed";
  return true;
}

bool ExpectFile(const Command& cmd, std::string& note, std::string& error) {
  std::string bytes;
  std::string reference;
  if (!ReadWholeFile(Widen(cmd.words[0]), bytes, error)) return false;
  if (!ReadWholeFile(ToWindowsPath(cmd.words[1]), reference, error)) return false;
  if (bytes != reference) {
    const auto at = std::mismatch(bytes.begin(), bytes.end(), reference.begin(), reference.end()).first - bytes.begin();
    error = std::to_string(bytes.size()) + " bytes, the reference " + std::to_string(reference.size()) +
            "; they differ from byte " + std::to_string(at);
    return false;
  }
  note = std::to_string(bytes.size()) + " bytes, as the reference";
  return true;
}

// The fields e2e_inspect.exe prints for a value holding one string.
std::string RegistryFields(const Command& cmd) {
  const std::size_t units = Widen(cmd.words[2]).size();
  std::string fields = "type\t" + std::string(cmd.multiString ? "7" : "1") + "\nbytes\t" +
                       std::to_string((units + (cmd.multiString ? 2 : 1)) * sizeof(wchar_t)) + "\n";
  if (cmd.multiString) fields += "terminated\tyes\n";
  return fields + "string\t" + cmd.words[2] + "\n";
}

std::wstring ViewName(const Command& cmd) { return cmd.view == 32 ? L"32" : L"64"; }

bool ExpectPending(const Command& cmd, std::string& note, std::string& error) {
  const std::vector<std::wstring> ops = readback::PendingOperations();
  const std::wstring first = Widen(cmd.words[0]);
  const std::wstring second = Widen(cmd.words[1]);
  for (std::size_t i = 0; i + 3 < ops.size(); i += 2) {
    if (ops[i] == first && ops[i + 1].empty() && ops[i + 2] == second && ops[i + 3].empty()) {
      note = "deletions " + std::to_string(i / 2 + 1) + " and " + std::to_string(i / 2 + 2) + " of " +
             std::to_string(ops.size() / 2);
      return true;
    }
  }
  error = "the list holds";
  for (std::size_t i = 0; i < ops.size(); i += 2) {
    error += " [" + Narrow(ops[i]) + " -> " + (i + 1 < ops.size() ? Narrow(ops[i + 1]) : std::string()) + "]";
  }
  if (ops.empty()) error += " nothing";
  return false;
}

// Wine's own export that names the Unix file behind a Windows path; null on
// Windows.
using UnixNameOf = char* (*)(const wchar_t*);
UnixNameOf WineUnixName() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel ? reinterpret_cast<UnixNameOf>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
                : nullptr;
}

// A junction: an empty folder made a mount point for the target folder.
bool MakeJunction(const std::wstring& link, const std::wstring& target, std::string& error) {
  if (!CreateDirectoryW(link.c_str(), nullptr)) {
    error = "cannot create " + Narrow(link) + ", error " + std::to_string(GetLastError());
    return false;
  }
  const HANDLE folder = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (folder == INVALID_HANDLE_VALUE) {
    error = "cannot open " + Narrow(link) + ", error " + std::to_string(GetLastError());
    return false;
  }
  // The mount point's data: the target as the system reads it (\??\C:\...)
  // and as it is shown, each followed by a zero.
  const std::wstring substitute = L"\\??\\" + target;
  std::vector<WORD> data(8 + substitute.size() + 1 + target.size() + 1, 0);
  const auto bytes = [](std::size_t chars) { return static_cast<WORD>(chars * sizeof(wchar_t)); };
  const WORD pathBytes = bytes(substitute.size() + 1 + target.size() + 1);
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(data.data(), &tag, sizeof tag);
  data[2] = static_cast<WORD>(8 + pathBytes);  // the data after the 8-byte header
  data[4] = 0;                                  // substitute name: offset, length
  data[5] = bytes(substitute.size());
  data[6] = bytes(substitute.size() + 1);       // print name: offset, length
  data[7] = bytes(target.size());
  std::memcpy(&data[8], substitute.data(), bytes(substitute.size()));
  std::memcpy(&data[8 + substitute.size() + 1], target.data(), bytes(target.size()));
  DWORD returned = 0;
  const BOOL set = DeviceIoControl(folder, FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(16 + pathBytes),
                                   nullptr, 0, &returned, nullptr);
  const DWORD code = GetLastError();
  CloseHandle(folder);
  if (!set) {
    error = "FSCTL_SET_REPARSE_POINT on " + Narrow(link) + " failed, error " + std::to_string(code);
    RemoveDirectoryW(link.c_str());
    return false;
  }
  return true;
}

// Under Wine: the Unix file behind a Windows path; false when there is none
// or it holds a quote (it goes into ln's command line).
bool UnixPath(UnixNameOf unixName, const std::wstring& path, std::string& out, std::string& error) {
  char* name = unixName(path.c_str());
  if (name == nullptr) {
    error = "Wine names no Unix file for " + Narrow(path);
    return false;
  }
  out = name;
  HeapFree(GetProcessHeap(), 0, name);
  if (out.find('"') != std::string::npos) {
    error = "a quote in " + out;
    return false;
  }
  return true;
}

// Under Wine: ln -sfn TARGET LINK (Unix paths), started as a Unix program,
// until `seen` (the link as Windows names it) is there.
bool RunLn(const std::string& target, const std::string& link, const std::wstring& seen, DWORD timeoutMs,
           std::string& error) {
  const std::wstring parameters = L"-sfn \"" + Widen(target) + L"\" \"" + Widen(link) + L"\"";
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = L"Z:\\bin\\ln";
  info.lpParameters = parameters.c_str();
  if (!ShellExecuteExW(&info)) {
    error = "cannot start ln, error " + std::to_string(GetLastError());
    return false;
  }
  if (info.hProcess != nullptr) {
    WaitForSingleObject(info.hProcess, timeoutMs);
    CloseHandle(info.hProcess);
  }
  // A deadline in time: the link is looked for before the clock.
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (true) {
    if (GetFileAttributesW(seen.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    if (GetTickCount64() >= deadline) break;
    Sleep(50);
  }
  error = "ln made no link " + link + " within " + std::to_string(timeoutMs) + " ms";
  return false;
}

// A drive letter for a folder: DefineDosDevice on Windows. Wine finds its
// drives as links in the prefix's dosdevices folder, so there the letter
// becomes such a link.
bool MapDrive(const std::wstring& letter, const std::wstring& folder, std::string& error) {
  const UnixNameOf unixName = WineUnixName();
  if (unixName == nullptr) {
    if (DefineDosDeviceW(0, letter.c_str(), folder.c_str())) return true;
    error = "DefineDosDevice failed, error " + std::to_string(GetLastError());
    return false;
  }
  wchar_t prefix[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
  std::string target;
  if (n == 0 || n >= MAX_PATH || !UnixPath(unixName, folder, target, error)) {
    if (error.empty()) error = "WINEPREFIX names no prefix";
    return false;
  }
  std::wstring lower = letter;
  for (auto& c : lower) c = static_cast<wchar_t>(towlower(c));
  return RunLn(target, Narrow(std::wstring_view(prefix, n)) + "/dosdevices/" + Narrow(lower), letter + L"\\", 30000,
               error);
}

} // namespace

bool RunSystemCheck(const Command& cmd, std::string& note, std::string& error) {
  switch (cmd.op) {
  case Op::ExpectFile: return ExpectFile(cmd, note, error);
  case Op::ExpectTree: return ExpectTree(cmd, note, error);
  case Op::ExpectPending: return ExpectPending(cmd, note, error);
  case Op::ExpectNoFile: {
    // Gone only when the system says so: access denied says nothing.
    const DWORD attributes = GetFileAttributesW(Widen(cmd.words[0]).c_str());
    const DWORD code = GetLastError();
    if (attributes != INVALID_FILE_ATTRIBUTES || (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND)) {
      error = attributes != INVALID_FILE_ATTRIBUTES ? "it is there" : "cannot tell, error " + std::to_string(code);
      return false;
    }
    note = "not there";
    return true;
  }
  case Op::ExpectAttributes: {
    const DWORD attributes = GetFileAttributesW(Widen(cmd.words[0]).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      error = "no such file, error " + std::to_string(GetLastError());
      return false;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%lx", static_cast<unsigned long>(attributes));
    if ((attributes & cmd.numbers[0]) != cmd.numbers[1]) {
      error = std::string("attributes ") + hex;
      return false;
    }
    note = std::string("attributes ") + hex;
    return true;
  }
  case Op::ExpectReg: {
    std::string fields;
    if (!readback::RegistryValue(readback::ReadIn(ViewName(cmd)), Widen(cmd.words[0]), Widen(cmd.words[1]), fields,
                                 error)) {
      return false;
    }
    if (fields != RegistryFields(cmd)) {
      error = "the value holds\n" + fields + "wanted\n" + RegistryFields(cmd);
      return false;
    }
    note = "as expected";
    return true;
  }
  case Op::ExpectNoReg: {
    const LONG status = readback::OpenKeyStatus(readback::ReadIn(ViewName(cmd)), Widen(cmd.words[0]));
    if (status != ERROR_FILE_NOT_FOUND) {
      error = status == ERROR_SUCCESS ? "the key is there" : "cannot tell, error " + std::to_string(status);
      return false;
    }
    note = "no such key";
    return true;
  }
  case Op::ExpectLink: {
    std::string fields;
    if (!readback::LinkFields(Widen(cmd.words[0]), fields, error)) return false;
    const std::string wanted = "path\t" + cmd.words[1] + "\ntarget\t" + cmd.words[1] + "\narguments\t\ndescription\t\n" +
                               "workdir\t" + cmd.words[2] + "\nicon\t" + cmd.words[3] + "\nicon-index\t" +
                               std::to_string(cmd.numbers[0]) + "\n";
    if (fields != wanted) {
      error = "the shortcut holds\n" + fields + "wanted\n" + wanted;
      return false;
    }
    note = "as expected";
    return true;
  }
  case Op::WriteFile: {
    const std::string& text = cmd.words[1];
    return WriteWholeFile(Widen(cmd.words[0]),
                          std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error);
  }
  case Op::MakeFolder: {
    // Each level in turn; a level that is there already is fine.
    const std::wstring path = Widen(cmd.words[0]);
    for (std::size_t at = path.find(L'\\', 3); ; at = path.find(L'\\', at + 1)) {
      const std::wstring level = path.substr(0, at);
      if (!CreateDirectoryW(level.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        error = "cannot create " + Narrow(level) + ", error " + std::to_string(GetLastError());
        return false;
      }
      if (at == std::wstring::npos) return true;
    }
  }
  case Op::CopyTo:
    if (!CopyFileW(Widen(cmd.words[0]).c_str(), Widen(cmd.words[1]).c_str(), FALSE)) {
      error = "CopyFile failed, error " + std::to_string(GetLastError());
      return false;
    }
    return true;
  case Op::MapDrive: return MapDrive(Widen(cmd.words[0]), Widen(cmd.words[1]), error);
  case Op::Move:
    if (!MoveFileW(Widen(cmd.words[0]).c_str(), Widen(cmd.words[1]).c_str())) {
      error = "MoveFile failed, error " + std::to_string(GetLastError());
      return false;
    }
    return true;
  case Op::MakeLink: {
    const std::wstring link = Widen(cmd.words[0]);
    const std::wstring target = Widen(cmd.words[1]);
    const UnixNameOf unixName = WineUnixName();
    std::string unixLink;
    std::string unixTarget;
    const bool made = unixName ? UnixPath(unixName, link, unixLink, error) &&
                                     UnixPath(unixName, target, unixTarget, error) &&
                                     RunLn(unixTarget, unixLink, link, cmd.hasTimeout ? cmd.millis : 30000, error)
                               : MakeJunction(link, target, error);
    if (made) note = unixName ? "a Unix symbolic link (Wine)" : "a junction";
    return made;
  }
  case Op::SetAttributes:
    if (!SetFileAttributesW(Widen(cmd.words[0]).c_str(), cmd.numbers[0])) {
      error = "SetFileAttributes failed, error " + std::to_string(GetLastError());
      return false;
    }
    return true;
  default: error = "internal: not a system check"; return false;
  }
}

} // namespace e2e
