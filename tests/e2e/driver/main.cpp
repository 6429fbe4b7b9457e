// e2e_driver: runs a script of window commands against a program under test
// and reports every step. Exit code 0 when every step passed, 1 when a step
// failed or timed out, 2 for a bad command line or script.
//
// A line "include FILE" is replaced by that file's lines (FILE beside the
// script). Variables a script may use: every environment variable, HERE
// (the script's folder), PROGRAMS (the Start menu's Programs folder),
// PROGRAM_FILES_SHORT (C:\Program Files by its short name) and MESSAGE_N, the system's text for error N in the system's
// language, line breaks as LF (what a program shows for it, whatever the language).
#include "tests/e2e/driver/Desktop.h"
#include "tests/e2e/driver/Runner.h"
#include "tests/e2e/driver/Script.h"

#include <objbase.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using e2e::Status;

// The script with every "include FILE" line replaced by that file's text,
// read from `folder`; includes nest up to four deep. `origins` gets, for
// each line of the text, the file and line it came from ("a.txt:12").
Status ReadScript(const std::wstring& path, const std::wstring& folder, int depth, std::string& text,
                  std::vector<std::string>& origins) {
  auto read = e2e::ReadWholeFile(path);
  if (!read.ok()) return read.failure();
  std::string& raw = read.value();
  if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) raw.erase(0, 3);
  const std::string file = e2e::Narrow(path.substr(path.find_last_of(L"\\/") + 1));
  std::size_t start = 0;
  int lineNo = 0;
  while (start < raw.size()) {
    auto end = raw.find('\n', start);
    if (end == std::string::npos) end = raw.size();
    std::string line = raw.substr(start, end - start);
    start = end + 1;
    ++lineNo;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    const auto first = line.find_first_not_of(" \t");
    const bool include = first != std::string::npos && line.compare(first, 7, "include") == 0 &&
                         line.size() > first + 8 && (line[first + 7] == ' ' || line[first + 7] == '\t');
    const std::string here = file + ":" + std::to_string(lineNo);
    if (!include) {
      text += line + "\n";
      origins.push_back(here);
      continue;
    }
    const std::string name = line.substr(line.find_first_not_of(" \t", first + 7));
    if (depth >= 4) return e2e::Fail(here + ": includes nest deeper than four at " + name);
    const Status included = ReadScript(folder + L"\\" + e2e::Widen(name), folder, depth + 1, text, origins);
    if (!included.ok()) return e2e::Fail(here + ": " + included.failure().reason);
  }
  return e2e::Ok();
}

// The variables the driver gives, before the environment's: a variable of
// the environment never takes the place of one of these.
bool LookUp(const std::wstring& folder, std::string_view name, std::string& value) {
  wchar_t buffer[32768];
  if (name == "HERE") {
    value = e2e::Narrow(folder);
    return true;
  }
  if (name == "PROGRAMS") {
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, buffer))) return false;
    value = e2e::Narrow(buffer);
    return true;
  }
  if (name == "PROGRAM_FILES_SHORT") {
    const DWORD n = GetShortPathNameW(L"C:\\Program Files", buffer, 32768);
    if (n == 0 || n >= 32768) return false;
    value = e2e::Narrow(std::wstring_view(buffer, n));
    return true;
  }
  if (name.substr(0, 8) == "MESSAGE_" && name.size() > 8 && name.size() <= 14 &&
      name.find_first_not_of("0123456789", 8) == std::string_view::npos) {
    DWORD code = 0;
    for (const char c : name.substr(8)) code = code * 10 + static_cast<DWORD>(c - '0');
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                   MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, 32768, nullptr);
    if (n == 0) return false;
    value = e2e::Narrow(e2e::WithLineFeeds(std::wstring_view(buffer, n)));
    return true;
  }
  const DWORD n = GetEnvironmentVariableW(e2e::Widen(name).c_str(), buffer, 32768);
  if (n == 0 || n >= 32768) return false;
  value = e2e::Narrow(std::wstring_view(buffer, n));
  return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
  // The log is UTF-8 and goes to a Unix pipe: no CR LF translation.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // Sees windows, pictures and fonts in the screen's own pixels, as the
  // programs under test (DPI-aware) draw them.
  ::SetProcessDPIAware();

  bool checkOnly = false;
  int arg = 1;
  if (arg < argc && std::wstring(argv[arg]) == L"--check") {
    checkOnly = true;
    ++arg;
  }
  if (arg + 1 != argc) {
    std::fputs(
        "usage: e2e_driver.exe [--check] <script>\n"
        "  --check  only parse the script and report its errors\n",
        stderr);
    return 2;
  }

  // The script's full path: its folder is where includes and HERE point.
  const std::wstring named = e2e::ToWindowsPath(e2e::Narrow(argv[arg]));
  wchar_t full[MAX_PATH];
  const DWORD fullLength = GetFullPathNameW(named.c_str(), MAX_PATH, full, nullptr);
  const std::wstring path = fullLength > 0 && fullLength < MAX_PATH ? std::wstring(full, fullLength) : named;
  const std::wstring folder = path.substr(0, path.find_last_of(L"\\/"));
  std::string text;
  std::vector<std::string> origins;
  if (const Status read = ReadScript(path, folder, 0, text, origins); !read.ok()) {
    std::fprintf(stderr, "e2e_driver: %s\n", read.failure().reason.c_str());
    return 2;
  }
  e2e::Script script =
      e2e::ParseScript(text, [&](std::string_view name, std::string& value) { return LookUp(folder, name, value); });
  // Lines are named by the file they came from and their line there.
  const auto origin = [&](int line) {
    return line >= 1 && static_cast<std::size_t>(line) <= origins.size() ? origins[static_cast<std::size_t>(line) - 1]
                                                                         : std::to_string(line);
  };
  if (!script.errors.empty()) {
    // Lines are counted in the text with its includes.
    for (const auto& e : script.errors) std::fprintf(stderr, "%s: %s\n", origin(e.line).c_str(), e.message.c_str());
    return 2;
  }
  for (auto& command : script.commands) command.origin = origin(command.line);
  if (checkOnly) {
    std::printf("%zu command(s), no errors\n", script.commands.size());
    return 0;
  }
  // Shortcuts are read and opened through COM.
  const HRESULT com = CoInitialize(nullptr);
  e2e::Runner runner(stdout);
  const int result = runner.Run(script.commands);
  if (SUCCEEDED(com)) CoUninitialize();
  return result;
}
