// The unit tests' side of the in-memory platform's reports: an expectation
// a test set up and never used fails that test, at the line that set it up.
#include <gtest/gtest.h>

#include "tests/memory/ExpectationReport.h"

namespace mem {

// Replaces the platform's default, which aborts the process.
void ReportUnusedExpectation(const std::source_location& where, const std::string& what) {
  ADD_FAILURE_AT(where.file_name(), static_cast<int>(where.line())) << what;
}

}  // namespace mem
