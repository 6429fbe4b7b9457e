// The facts the programs rely on about the system, written once against the
// interfaces of platform/Platform.h and run on both backends: in the unit
// tests on the memory platform and under Wine on the Win32 layer (inside the
// platform check program). A fact that holds on one backend and not on the
// other fails the suite, so the memory platform cannot drift from the system
// it stands for. No test framework here: each backend brings a small runner.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace cases {

// A registry value read back: its type and its data as Shift-JIS bytes
// (string data narrowed from the system's UTF-16 piece by piece between zero
// characters, every zero character one zero byte).
struct ValueRead {
  DWORD type = REG_NONE;
  std::string bytes;
};

// The fields of a shortcut file read back (an icon path never set reads as
// empty).
struct ShortcutRead {
  CString target;
  CString arguments;
  CString description;
  CString workingFolder;
  CString iconPath;
  int iconIndex = 0;
};

// One request for the next restart, as the system keeps it.
struct RestartRead {
  CString path;
  std::optional<CString> newName;  // none: a deletion
};

// What a backend gives the cases: the layer's services, and ways to read back
// what the layer has no call for.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual const char* Name() const = 0;

  virtual IFileSystem& Files() = 0;
  virtual IRegistry& Registry() = 0;
  virtual IShell& Shell() = 0;

  // An existing, empty folder the cases may fill (no trailing backslash).
  virtual CString Scratch() const = 0;
  // A key below HKEY_CURRENT_USER that the cases may create and delete.
  virtual CString ScratchKey() const = 0;

  // A file's bytes as the system keeps them, read without the layer.
  virtual std::optional<std::string> FileBytes(const CString& path) = 0;
  virtual std::optional<ValueRead> ReadValue(HKEY root, const CString& key, const CString& name) = 0;
  virtual std::optional<ShortcutRead> ReadShortcut(const CString& path) = 0;
  // Every pending restart request, in the order the system will carry them out.
  virtual std::vector<RestartRead> RestartRequests() = 0;

  // Plants a folder link at link to the existing folder target, or finds one
  // planted there beforehand; false when neither (the case is then skipped).
  virtual bool PlantLink(const CString& link, const CString& target) = 0;
  // Plants a folder whose name has no exact Shift-JIS form inside folder (or
  // finds it planted): "x" U+00A5 ".." U+00A5 ".." U+00A5 "canary", read back
  // as "x?..?..?canary".
  virtual bool PlantYenFolder(const CString& folder) = 0;
};

// Where the results go.
class Report {
 public:
  virtual ~Report() = default;
  virtual void Pass(const std::string& name) = 0;
  virtual void Fail(const std::string& name, const std::string& detail) = 0;
  // A check that does not hold under Wine, with the reason: shown, not failed.
  virtual void KnownDifference(const std::string& name, const std::string& detail,
                               const std::string& reason) = 0;
  virtual void Skip(const std::string& name, const std::string& reason) = 0;
};

// Runs one check and sends the result on, named with its prefix (the case's
// name inside a case). The behaviour cases and the platform check's own
// parts use it alike.
class Checker {
 public:
  // wine: under Wine, where a check marked with a known difference reports it
  // instead of failing.
  Checker(Report& report, bool wine, std::string prefix = {})
      : m_report(report), m_wine(wine), m_prefix(std::move(prefix)) {}
  // The same results, the names prefixed further.
  Checker Prefixed(const std::string& more) const { return Checker(m_report, m_wine, m_prefix + more); }

  bool operator()(bool ok, const std::string& what, const std::string& detail = {});
  bool Number(long long got, long long want, const std::string& what);
  bool Bytes(const CString& got, std::string_view want, const std::string& what);
  // A check that Wine is known to answer differently (reason says how).
  bool Differs(bool ok, const std::string& what, const std::string& detail, const char* wineReason);
  void Skip(const std::string& what, const std::string& reason);

 private:
  Report& m_report;
  bool m_wine;
  std::string m_prefix;
};

struct Case {
  const char* name;
  const char* id;  // the name of its folder inside the scratch folder
  void (*run)(Backend& backend, const CString& folder, Checker& check);
};

const std::vector<Case>& AllCases();

// Runs every case, each in its own sub-folder of the backend's scratch
// folder, named by the case's id.
// Each check is named "<case>: <what>" after check's prefix.
void RunAll(Backend& backend, const Checker& check);
// Runs one case by index in its sub-folder.
void RunOne(Backend& backend, const Checker& check, std::size_t index);

// Shows bytes as printable ASCII with \xNN for the rest.
std::string Shown(std::string_view bytes);

}  // namespace cases
