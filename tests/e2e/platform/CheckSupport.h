// What the parts of the platform check share: the tally of checks, the
// log's renderings of bytes and UTF-16, and helpers that reach the system
// through its own W functions, independently of the layer under test.
#pragma once

#include "platform/win32/Win.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace check {

std::string Hex(std::string_view bytes);
// A search entry as "[hex bytes]/attribute bits".
std::string DescribeEntry(std::string_view name, unsigned attrib);
// UTF-16 as UTF-8 for the log (zero characters shown as \0).
std::string Utf8(std::wstring_view text);
// Shift-JIS text as UTF-8 for the log.
std::string Shown(const CString& text);

// Counts and prints checks: one line each, "N passed, M failed" at the end.
class Checks {
 public:
  bool Check(bool ok, const std::string& name, const std::string& detail = {});
  bool Bytes(const CString& got, std::string_view want, const std::string& name);
  bool Wide(std::wstring_view got, std::wstring_view want, const std::string& name);
  bool Number(long long got, long long want, const std::string& name);
  // A fact Wine is known to answer differently: shown, not counted as failed.
  void KnownDifference(const std::string& name, const std::string& detail, const std::string& reason);
  void Skip(const std::string& name, const std::string& reason);
  int Finish() const;

 private:
  int m_passed = 0;
  int m_failed = 0;
  int m_differences = 0;
};

// The folder the checks work in: UTF-16 and its Shift-JIS twin.
struct Places {
  std::wstring baseWide;
  CString base;
};

DWORD WideAttributes(const std::wstring& path);
bool WideExists(const std::wstring& path);
std::string ReadWide(const std::wstring& path);
bool WriteLayer(IFileSystem& files, const CString& path, std::string_view data);
std::string ReadLayer(IFileSystem& files, const CString& path);
// Empties and removes a folder with the system's W functions (clean-up
// only). A link is removed, never entered.
void RemoveTreeWide(const std::wstring& folder);

struct RegValue {
  LONG status = ERROR_FILE_NOT_FOUND;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};
RegValue QueryWide(HKEY key, const wchar_t* name);
std::wstring AsWide(const std::vector<BYTE>& data);

// A shortcut file's fields as the system's own shell link reads them.
struct LinkFields {
  HRESULT load = E_FAIL;
  std::wstring path, idListPath, workingDirectory, iconPath, arguments, description;
  int iconIndex = -1;
};
LinkFields ReadLink(const std::wstring& file);

// The parts of the check, one per concern.
void CheckStrings(Checks& c);
void CheckFiles(Checks& c, IFileSystem& files, const Places& at);
void CheckDrives(Checks& c, wchar_t cdLetter);
void CheckRegistry(Checks& c, const Places& at);
void CheckShell(Checks& c, const Places& at);
// Names the system hands back that have no exact Shift-JIS form, and links.
void CheckHostileNames(Checks& c, const Places& at);
// The behaviour cases shared with the memory platform, run in scratch.
void RunBehaviourCases(Checks& c, const CString& scratch, const std::wstring& scratchWide);

}  // namespace check
