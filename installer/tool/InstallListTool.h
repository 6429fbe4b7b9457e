// The `install-list` tool for CD authors: shows how the installer will read
// and map an install list, and checks a CD tree against it.
//
//   install-list preview [--drive L] [--dest D] [--encoding sjis|utf8] FILE
//   install-list check [--drive L] [--dest D] [--encoding sjis|utf8] CDROOT
//
// Exit codes: 0 fine, 1 the check found entries that would make the
// installation fail, 2 usage error or unreadable file.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "installer/InstallList.h"

namespace install_list_tool {

enum class Encoding { ShiftJis, Utf8 };

struct Options {
  CString drive = "Q";
  CString dest = "C:\\Program Files\\Harborlit\\Drama1";
  Encoding encoding = Encoding::Utf8;
};

// One line per entry: number, kind, and the folder and new prefix or the
// source and destination, tab-separated; "unsafe" last for an entry that
// would write outside the destination folder.
void Preview(const InstallList& list, const Options& options, std::ostream& out);

struct CheckResult {
  int problems = 0;  // entries that would make the installation fail
  int mistakes = 0;  // likely authoring mistakes (glued folder lines)
  int files = 0;     // files the list would copy
  unsigned long long bytes = 0;
};

// Checks the list against the CD whose root folder is cdRoot, writing one
// line for each faulty entry and a summary.
CheckResult Check(const InstallList& list, const std::string& cdRoot, const Options& options,
                  std::ostream& out);

// Every name below cdRoot (sorted, relative, UTF-8 with '/') that has no
// exact Shift-JIS form: the installer, whose file names are Shift-JIS, can
// neither read nor copy such a file or folder. The check reports each.
std::vector<std::string> NamesWithoutShiftJis(const std::string& cdRoot);

// The whole command line (without the program name).
int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace install_list_tool
