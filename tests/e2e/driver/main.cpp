// e2e_driver: runs a script of window commands against a program under test
// and reports every step. Exit code 0 when every step passed, 1 when a step
// failed or timed out, 2 for a bad command line or script.
#include "tests/e2e/driver/Desktop.h"
#include "tests/e2e/driver/Runner.h"
#include "tests/e2e/driver/Script.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

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
    std::fputs("usage: e2e_driver.exe [--check] <script>\n"
               "  --check  only parse the script and report its errors\n",
               stderr);
    return 2;
  }

  const std::wstring path = e2e::ToWindowsPath(e2e::Narrow(argv[arg]));
  std::string text;
  std::string error;
  if (!e2e::ReadWholeFile(path, text, error)) {
    std::fprintf(stderr, "e2e_driver: %s\n", error.c_str());
    return 2;
  }
  const e2e::Script script = e2e::ParseScript(text);
  if (!script.errors.empty()) {
    for (const auto& e : script.errors) std::fprintf(stderr, "%s: %s\n", e2e::Narrow(path).c_str(), e.c_str());
    return 2;
  }
  if (checkOnly) {
    std::printf("%zu command(s), no errors\n", script.commands.size());
    return 0;
  }
  e2e::Runner runner(stdout);
  return runner.Run(script.commands);
}
