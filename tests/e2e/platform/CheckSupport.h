// What the parts of the platform check share: the tally of checks, the
// log's renderings of bytes and UTF-16, and helpers that reach the system
// through its own W functions, independently of the layer under test.
#pragma once

#include "platform/win32/Win.h"

#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "tests/behaviour/BehaviourCases.h"

namespace check {

std::string Hex(std::string_view bytes);
// A search entry as "[hex bytes]/attribute bits".
std::string DescribeEntry(std::string_view name, unsigned attrib);
// UTF-16 as UTF-8 for the log (zero characters shown as \0).
std::string Utf8(std::wstring_view text);
// Shift-JIS text as UTF-8 for the log.
std::string Shown(const CString& text);
// True under Wine (ntdll has wine_get_version).
bool UnderWine();

// Prints each check's result as one line and counts them: "N passed, M
// failed" at the end.
class PrintedReport final : public cases::Report {
 public:
  void Pass(const std::string& name) override;
  void Fail(const std::string& name, const std::string& detail) override;
  void KnownDifference(const std::string& name, const std::string& detail,
                       const std::string& reason) override;
  void Skip(const std::string& name, const std::string& reason) override;
  int Finish() const;

 private:
  int m_passed = 0;
  int m_failed = 0;
  int m_differences = 0;
};

// UTF-16 compared, both shown as UTF-8 on a failure.
bool Wide(cases::Checker& c, std::wstring_view got, std::wstring_view want, const std::string& name);

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
void CheckStrings(cases::Checker& c);
void CheckFiles(cases::Checker& c, IFileSystem& files, const Places& at);
void CheckDrives(cases::Checker& c, wchar_t cdLetter);
void CheckRegistry(cases::Checker& c, const Places& at);
void CheckShell(cases::Checker& c, const Places& at);
// Names the system hands back that have no exact Shift-JIS form, and links.
void CheckHostileNames(cases::Checker& c, const Places& at);
// The behaviour cases shared with the memory platform, run in scratch.
void RunBehaviourCases(cases::Checker& c, const CString& scratch, const std::wstring& scratchWide);

}  // namespace check
