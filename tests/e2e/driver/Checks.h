// The commands that look at or prepare what the programs leave on the
// system rather than their windows: files, attributes, registry values,
// shortcuts and the restart-time list. Each reads back through the system's
// W functions (the same code as e2e_inspect.exe).
#pragma once

#include "tests/e2e/driver/Script.h"

#include <string>

namespace e2e {

// Runs one of them; false with the reason in `error` when what it finds is
// not what the script expects (or when `cmd` is none of them).
bool RunSystemCheck(const Command& cmd, std::string& note, std::string& error);

} // namespace e2e
