// The handlers of the commands that look at or change the system rather than
// windows: files, folders, the registry, shortcuts, drives and links.
#include "tests/e2e/driver/Runner.h"

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
Status ListTree(const std::wstring& folder, const std::wstring& prefix, std::set<std::wstring>& out) {
  WIN32_FIND_DATAW data{};
  std::vector<std::wstring> folders;
  {
    const win32::UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!search) return Fail("cannot list " + Narrow(folder) + ", error " + std::to_string(GetLastError()));
    do {
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      out.insert(prefix + name + (isFolder ? L"\\" : L""));
      if (isFolder && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) folders.push_back(name);
    } while (FindNextFileW(search.get(), &data));
  }
  for (const auto& name : folders) {
    if (auto listed = ListTree(folder + L"\\" + name, prefix + name + L"\\", out); !listed.ok()) return listed;
  }
  return Ok();
}

// The fields e2e_inspect.exe prints for a value holding one string.
std::string RegistryFields(const Command& cmd) {
  const std::size_t units = Widen(cmd.words[2]).size();
  std::string fields = "type\t" + std::string(cmd.multiString ? "7" : "1") + "\nbytes\t" +
                       std::to_string((units + (cmd.multiString ? 2 : 1)) * sizeof(wchar_t)) + "\n";
  if (cmd.multiString) fields += "terminated\tyes\n";
  return fields + "string\t" + cmd.words[2] + "\n";
}

REGSAM ViewOf(const Command& cmd) { return readback::ReadIn(cmd.view == 32 ? L"32" : L"64"); }

// Wine's own export that names the Unix file behind a Windows path; null on
// Windows.
using UnixNameOf = char* (*)(const wchar_t*);
UnixNameOf WineUnixName() {
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel
             ? reinterpret_cast<UnixNameOf>(reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")))
             : nullptr;
}

// A junction: an empty folder made a mount point for the target folder.
Status MakeJunction(const std::wstring& link, const std::wstring& target) {
  if (!CreateDirectoryW(link.c_str(), nullptr))
    return Fail("cannot create " + Narrow(link) + ", error " + std::to_string(GetLastError()));
  const win32::UniqueFileHandle folder(CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                                   FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return Fail("cannot open " + Narrow(link) + ", error " + std::to_string(GetLastError()));
  // The mount point's data: the target as the system reads it (\??\C:\...)
  // and as it is shown, each followed by a zero.
  const std::wstring substitute = L"\\??\\" + target;
  std::vector<WORD> data(8 + substitute.size() + 1 + target.size() + 1, 0);
  const auto bytes = [](std::size_t chars) { return static_cast<WORD>(chars * sizeof(wchar_t)); };
  const WORD pathBytes = bytes(substitute.size() + 1 + target.size() + 1);
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(data.data(), &tag, sizeof tag);
  data[2] = static_cast<WORD>(8 + pathBytes); // the data after the 8-byte header
  data[4] = 0;                                // substitute name: offset, length
  data[5] = bytes(substitute.size());
  data[6] = bytes(substitute.size() + 1); // print name: offset, length
  data[7] = bytes(target.size());
  std::memcpy(&data[8], substitute.data(), bytes(substitute.size()));
  std::memcpy(&data[8 + substitute.size() + 1], target.data(), bytes(target.size()));
  DWORD returned = 0;
  if (DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(16 + pathBytes), nullptr,
                      0, &returned, nullptr)) {
    return Ok();
  }
  const Failure failed = LastError("FSCTL_SET_REPARSE_POINT on " + Narrow(link));
  RemoveDirectoryW(link.c_str());
  return failed;
}

// Under Wine: the Unix file behind a Windows path; fails when there is none
// or it holds a quote (it goes into ln's command line).
Expected<std::string> UnixPath(UnixNameOf unixName, const std::wstring& path) {
  char* name = unixName(path.c_str());
  if (name == nullptr) return Fail("Wine names no Unix file for " + Narrow(path));
  std::string out = name;
  HeapFree(GetProcessHeap(), 0, name);
  if (out.find('"') != std::string::npos) return Fail("a quote in " + out);
  return out;
}

// Under Wine: ln -sfn TARGET LINK (Unix paths), started as a Unix program,
// until `seen` (the link as Windows names it) is there.
Status RunLn(const std::string& target, const std::string& link, const std::wstring& seen, DWORD timeoutMs) {
  const std::wstring parameters = L"-sfn \"" + Widen(target) + L"\" \"" + Widen(link) + L"\"";
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  info.lpVerb = L"open";
  info.lpFile = L"Z:\\bin\\ln";
  info.lpParameters = parameters.c_str();
  if (!ShellExecuteExW(&info)) return Fail("cannot start ln, error " + std::to_string(GetLastError()));
  const win32::UniqueHandle process(info.hProcess);
  if (process) WaitForSingleObject(process.get(), timeoutMs);
  // A deadline in time: the link is looked for before the clock.
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (true) {
    if (GetFileAttributesW(seen.c_str()) != INVALID_FILE_ATTRIBUTES) return Ok();
    if (GetTickCount64() >= deadline) break;
    Sleep(50);
  }
  return Fail("ln made no link " + link + " within " + std::to_string(timeoutMs) + " ms");
}

// Fails unless the call succeeded; `what` names it.
Expected<std::string> Checked(BOOL succeeded, const char* what) {
  if (!succeeded) return LastError(what);
  return std::string();
}

} // namespace

Runner::Outcome Runner::DoExpectTree(const Command& cmd) {
  const auto listing = ReadWholeFile(ToWindowsPath(cmd.words[1]));
  if (!listing.ok()) return listing.failure();
  std::set<std::wstring> wanted;
  std::size_t start = 0;
  const std::string& text = listing.value();
  while (start < text.size()) {
    auto end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') wanted.insert(Widen(line));
    start = end + 1;
  }
  std::set<std::wstring> found;
  if (auto listed = ListTree(Widen(cmd.words[0]), L"", found); !listed.ok()) return listed.failure();
  std::string missing;
  std::string extra;
  for (const auto& w : wanted) {
    if (!found.count(w)) missing += " " + Narrow(w);
  }
  for (const auto& f : found) {
    if (!wanted.count(f)) extra += " " + Narrow(f);
  }
  if (!missing.empty() || !extra.empty()) {
    return Fail("missing:" + (missing.empty() ? std::string(" none") : missing) +
                "; not listed:" + (extra.empty() ? std::string(" none") : extra));
  }
  return std::to_string(found.size()) + " entries, as listed";
}

Runner::Outcome Runner::DoExpectFile(const Command& cmd) {
  const auto bytes = ReadWholeFile(Widen(cmd.words[0]));
  if (!bytes.ok()) return bytes.failure();
  const auto reference = ReadWholeFile(ToWindowsPath(cmd.words[1]));
  if (!reference.ok()) return reference.failure();
  const std::string& a = bytes.value();
  const std::string& b = reference.value();
  if (a != b) {
    const auto at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
    return Fail(std::to_string(a.size()) + " bytes, the reference " + std::to_string(b.size()) +
                "; they differ from byte " + std::to_string(at));
  }
  return std::to_string(a.size()) + " bytes, as the reference";
}

Runner::Outcome Runner::DoExpectPending(const Command& cmd) {
  const std::vector<std::wstring> ops = readback::PendingOperations();
  const std::wstring first = Widen(cmd.words[0]);
  const std::wstring second = Widen(cmd.words[1]);
  for (std::size_t i = 0; i + 3 < ops.size(); i += 2) {
    if (ops[i] == first && ops[i + 1].empty() && ops[i + 2] == second && ops[i + 3].empty()) {
      return "deletions " + std::to_string(i / 2 + 1) + " and " + std::to_string(i / 2 + 2) + " of " +
             std::to_string(ops.size() / 2);
    }
  }
  std::string held = "the list holds";
  for (std::size_t i = 0; i < ops.size(); i += 2) {
    held += " [" + Narrow(ops[i]) + " -> " + (i + 1 < ops.size() ? Narrow(ops[i + 1]) : std::string()) + "]";
  }
  return Fail(held + (ops.empty() ? " nothing" : ""));
}

Runner::Outcome Runner::DoExpectNoFile(const Command& cmd) {
  // Gone only when the system says so: access denied says nothing.
  const DWORD attributes = GetFileAttributesW(Widen(cmd.words[0]).c_str());
  const DWORD code = GetLastError();
  if (attributes != INVALID_FILE_ATTRIBUTES) return Fail("it is there");
  if (code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND) {
    return Fail("cannot tell, error " + std::to_string(code));
  }
  return std::string("not there");
}

Runner::Outcome Runner::DoExpectAttributes(const Command& cmd) {
  const DWORD attributes = GetFileAttributesW(Widen(cmd.words[0]).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Fail("no such file, error " + std::to_string(GetLastError()));
  char hex[32];
  std::snprintf(hex, sizeof hex, "attributes 0x%lx", static_cast<unsigned long>(attributes));
  if ((attributes & cmd.numbers[0]) != cmd.numbers[1]) return Fail(hex);
  return std::string(hex);
}

Runner::Outcome Runner::DoExpectReg(const Command& cmd) {
  std::string fields;
  std::string error;
  if (!readback::RegistryValue(ViewOf(cmd), Widen(cmd.words[0]), Widen(cmd.words[1]), fields, error)) {
    return Fail(error);
  }
  if (fields != RegistryFields(cmd)) return Fail("the value holds\n" + fields + "wanted\n" + RegistryFields(cmd));
  return std::string("as expected");
}

Runner::Outcome Runner::DoExpectNoReg(const Command& cmd) {
  const LONG status = readback::OpenKeyStatus(ViewOf(cmd), Widen(cmd.words[0]));
  if (status == ERROR_SUCCESS) return Fail("the key is there");
  if (status != ERROR_FILE_NOT_FOUND) return Fail("cannot tell, error " + std::to_string(status));
  return std::string("no such key");
}

Runner::Outcome Runner::DoExpectLink(const Command& cmd) {
  std::string fields;
  std::string error;
  if (!readback::LinkFields(Widen(cmd.words[0]), fields, error)) return Fail(error);
  const std::string wanted = "path\t" + cmd.words[1] + "\ntarget\t" + cmd.words[1] + "\narguments\t\ndescription\t\n" +
                             "workdir\t" + cmd.words[2] + "\nicon\t" + cmd.words[3] + "\nicon-index\t" +
                             std::to_string(cmd.numbers[0]) + "\n";
  if (fields != wanted) return Fail("the shortcut holds\n" + fields + "wanted\n" + wanted);
  return std::string("as expected");
}

Runner::Outcome Runner::DoWriteFile(const Command& cmd) {
  const std::string& text = cmd.words[1];
  const Status written =
      WriteWholeFile(Widen(cmd.words[0]), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  if (!written.ok()) return written.failure();
  return std::string();
}

Runner::Outcome Runner::DoMakeFolder(const Command& cmd) {
  // Each level in turn; a level that is there already is fine.
  const std::wstring path = Widen(cmd.words[0]);
  for (std::size_t at = path.find(L'\\', 3);; at = path.find(L'\\', at + 1)) {
    const std::wstring level = path.substr(0, at);
    if (!CreateDirectoryW(level.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      return Fail("cannot create " + Narrow(level) + ", error " + std::to_string(GetLastError()));
    }
    if (at == std::wstring::npos) return std::string();
  }
}

Runner::Outcome Runner::DoCopyFile(const Command& cmd) {
  return Checked(CopyFileW(Widen(cmd.words[0]).c_str(), Widen(cmd.words[1]).c_str(), FALSE), "CopyFile");
}

Runner::Outcome Runner::DoMove(const Command& cmd) {
  return Checked(MoveFileW(Widen(cmd.words[0]).c_str(), Widen(cmd.words[1]).c_str()), "MoveFile");
}

Runner::Outcome Runner::DoSetAttributes(const Command& cmd) {
  return Checked(SetFileAttributesW(Widen(cmd.words[0]).c_str(), cmd.numbers[0]), "SetFileAttributes");
}

// A drive letter for a folder: DefineDosDevice on Windows. Wine finds its
// drives as links in the prefix's dosdevices folder, so there the letter
// becomes such a link.
Runner::Outcome Runner::DoMapDrive(const Command& cmd) {
  const std::wstring letter = Widen(cmd.words[0]);
  const std::wstring folder = Widen(cmd.words[1]);
  const UnixNameOf unixName = WineUnixName();
  if (unixName == nullptr) return Checked(DefineDosDeviceW(0, letter.c_str(), folder.c_str()), "DefineDosDevice");
  wchar_t prefix[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return Fail("WINEPREFIX names no prefix");
  const auto target = UnixPath(unixName, folder);
  if (!target.ok()) return target.failure();
  std::wstring lower = letter;
  for (auto& c : lower) c = static_cast<wchar_t>(towlower(c));
  const Status linked = RunLn(target.value(), Narrow(std::wstring_view(prefix, n)) + "/dosdevices/" + Narrow(lower),
                              letter + L"\\", 30000);
  if (!linked.ok()) return linked.failure();
  return std::string();
}

Runner::Outcome Runner::DoMakeLink(const Command& cmd) {
  const std::wstring link = Widen(cmd.words[0]);
  const std::wstring target = Widen(cmd.words[1]);
  const UnixNameOf unixName = WineUnixName();
  if (unixName == nullptr) {
    const Status made = MakeJunction(link, target);
    if (!made.ok()) return made.failure();
    return std::string("a junction");
  }
  const auto unixLink = UnixPath(unixName, link);
  if (!unixLink.ok()) return unixLink.failure();
  const auto unixTarget = UnixPath(unixName, target);
  if (!unixTarget.ok()) return unixTarget.failure();
  const Status made = RunLn(unixTarget.value(), unixLink.value(), link, cmd.hasTimeout ? cmd.millis : 30000);
  if (!made.ok()) return made.failure();
  return std::string("a Unix symbolic link (Wine)");
}

} // namespace e2e
