// Checks the real platform layer inside a running Wine prefix (or Windows):
// every operation the programs use goes through the layer with Shift-JIS
// input, and the effect is read back through the system's own W functions
// with UTF-16 expectations written as wide literals. Narrow literals in
// these files are Shift-JIS (the build compiles with -fexec-charset=CP932),
// so they are what the programs would pass. The parts, one per concern:
// CheckFiles, CheckDrivesRegistry, CheckShell, CheckNames (names without an
// exact Shift-JIS form) and CheckCases (the behaviour cases shared with the
// memory platform's unit tests).
//
// Usage: platform_check.exe [--expect-acp N] [--cd-drive L] [--cases-in DIR]
//   --expect-acp N  also check that the system's ANSI code page is N (run it
//                   once under a non-Japanese locale to show that nothing
//                   depends on the system's code page)
//   --cd-drive L    drive L is a CD-ROM drive whose volume label is
//                   "ドラマＣＤ_検査"
//   --cases-in DIR  run only the behaviour cases and the name checks, in the
//                   existing folder DIR (an ASCII path), where things the
//                   program cannot make itself may be planted beforehand
//                   (DIR\link\link, a Unix symbolic link to DIR\link\target)
// Prints one line per check and "N passed, M failed"; exits 1 on a failure.
#include "platform/win32/Win.h"

#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/win32/Win32FileSystem.h"
#include "tests/e2e/platform/CheckSupport.h"

namespace {

// The Shift-JIS twin of an ASCII path; false when the path is not ASCII.
bool AsciiTwin(std::wstring_view wide, std::string& narrow) {
  narrow.clear();
  for (wchar_t ch : wide) {
    if (ch >= 0x80) return false;
    narrow += static_cast<char>(ch);
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  using namespace check;
  unsigned expectAcp = 0;
  wchar_t cdLetter = 0;
  std::wstring casesIn;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::wstring option = argv[i];
    if (option == L"--expect-acp") expectAcp = static_cast<unsigned>(std::wcstoul(argv[i + 1], nullptr, 10));
    if (option == L"--cd-drive") cdLetter = argv[i + 1][0];
    if (option == L"--cases-in") casesIn = argv[i + 1];
  }

  PrintedReport report;
  cases::Checker c(report, UnderWine());
  std::printf("     system ANSI code page %u\n", ::GetACP());
  if (expectAcp != 0) c.Number(::GetACP(), expectAcp, "the system's ANSI code page is the one asked for");
  CheckStrings(c);

  if (!casesIn.empty()) {
    std::string narrow;
    if (!c(AsciiTwin(casesIn, narrow), "the cases' folder has an ASCII path")) return report.Finish();
    Places at{casesIn, CString(narrow)};
    CheckHostileNames(c, at);
    RunBehaviourCases(c, at.base, at.baseWide);
    return report.Finish();
  }

  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD tempLength = ::GetTempPathW(MAX_PATH + 1, temp);
  std::string tempNarrow;
  if (!c(tempLength > 0 && AsciiTwin(std::wstring_view(temp, tempLength), tempNarrow),
         "the temporary folder has an ASCII path")) {
    return report.Finish();
  }
  Places at;
  at.baseWide =
      std::wstring(temp, tempLength) + L"plchk" + std::to_wstring(::GetCurrentProcessId()) + L"_検査ソ表";
  // The Shift-JIS twin of the folder, built from the ASCII temp path and literals.
  at.base = CString(tempNarrow) + "plchk" + std::to_string(::GetCurrentProcessId()).c_str() + "_検査ソ表";

  {
    Win32FileSystem files;
    CheckFiles(c, files, at);
    c.Number(static_cast<long long>(files.OpenSearches()), 0, "the file system object holds no search");
  }
  CheckDrives(c, cdLetter);
  CheckRegistry(c, at);
  CheckShell(c, at);
  CheckHostileNames(c, at);
  const std::wstring casesWide = at.baseWide + L"\\cases";
  ::CreateDirectoryW(casesWide.c_str(), nullptr);
  RunBehaviourCases(c, at.base + "\\cases", casesWide);

  RemoveTreeWide(at.baseWide);
  return report.Finish();
}
