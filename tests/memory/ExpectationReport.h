// Where the in-memory platform reports what a test set up and never used: a
// scripted window the program never opened, a failure rule required to fire
// that never did. The reports come from destructors, so a test fails even
// when it forgets to check.
//
// The default writes the report to standard error and aborts the process.
// A test binary replaces it with its own definition of the function (the
// default is a weak symbol): the unit tests turn each report into a failure
// of the running test, at the file and line that set the expectation up.
#pragma once

#include <source_location>
#include <string>

namespace mem {

void ReportUnusedExpectation(const std::source_location& where, const std::string& what);

// "file:line", for messages naming where an expectation was set up.
std::string DescribeLocation(const std::source_location& where);

}  // namespace mem
