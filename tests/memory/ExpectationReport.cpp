#include "tests/memory/ExpectationReport.h"

#include <cstdio>
#include <cstdlib>

namespace mem {

// Replaced by a test binary that defines the function itself.
__attribute__((weak)) void ReportUnusedExpectation(const std::source_location& where,
                                                   const std::string& what) {
  std::fprintf(stderr, "%s: unused expectation: %s\n", DescribeLocation(where).c_str(), what.c_str());
  std::abort();
}

std::string DescribeLocation(const std::source_location& where) {
  std::string file = where.file_name();
  // The path below the source tree is enough to find it.
  for (const char* root : {"/tests/", "/installer/", "/uninst/", "/shell/", "/platform/", "/bench/"}) {
    const auto at = file.rfind(root);
    if (at != std::string::npos) {
      file = file.substr(at + 1);
      break;
    }
  }
  return file + ":" + std::to_string(where.line());
}

}  // namespace mem
