// Failures on demand. A rule names one operation of the in-memory platform
// (the name of the interface method: "CopyFileA", "findnext", "RegCreateKeyExA",
// "Save", the stream operations "Read" and "Write" ...) and the code it fails
// with: GetLastError reports the code after a failed BOOL/handle operation;
// an operation that returns a LONG returns the code itself, one that returns
// an HRESULT returns the code's 32 bits as an HRESULT (so 0x80004005 comes
// back negative, as on Windows); GetDriveTypeA returns it as the drive type. A failing operation changes
// nothing. A rule can be narrowed to calls whose path (any of the paths the
// call names, compared without regard to ASCII case) contains a fragment,
// and to the Nth such call or to K calls in a row:
//
//   sys.Fail("CopyFileA", ERROR_DISK_FULL).OnPath("\\05.html").Times(1);
//   sys.Fail("DeleteFileA", ERROR_ACCESS_DENIED).OnCall(3);
//
// A rule naming an operation the platform does not have is refused at once
// (std::invalid_argument): a misspelt name would otherwise never fire. A rule
// remembers the file and line that made it; a test can require every rule
// to fire, and a rule that never did is then reported there when the plan
// goes away (ExpectationReport.h).
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WinTypes.h"

namespace mem {

class FaultRule {
 public:
  FaultRule(std::string operation, DWORD code, std::source_location where = std::source_location::current());

  // Only calls naming a path that contains fragment (ASCII case ignored).
  FaultRule& OnPath(std::string_view fragment);
  // Only from the nth matching call on (1-based); alone: that call only.
  FaultRule& OnCall(int n);
  // At most k failures; alone: the next k matching calls.
  FaultRule& Times(int k);
  // Instead of failing the call, runs move just before it, and the call
  // then goes on: another program's step between two calls.
  FaultRule& Before(std::function<void()> move);
  // Keeps the paths each matching call names (for a sweep that aims at them).
  FaultRule& RecordPaths();

  const std::string& Operation() const { return m_operation; }
  DWORD Code() const { return m_code; }
  // Matching calls seen, and how many of them were made to fail.
  int Seen() const { return m_seen; }
  int Fired() const { return m_fired; }
  bool IsMove() const { return static_cast<bool>(m_move); }
  void RunMove() const { m_move(); }
  // With RecordPaths: for each matching call, the paths it named.
  const std::vector<std::vector<std::string>>& PathsSeen() const { return m_pathsSeen; }
  bool IsKnownOperation() const;
  const std::source_location& Where() const { return m_where; }

  // Counts the call when it matches and says whether it fails; a rule that
  // may not fire (an earlier rule already did) only counts.
  bool Check(std::string_view operation, std::initializer_list<std::string_view> paths, bool mayFire = true);
  std::string Describe() const;

 private:
  std::string m_operation;
  DWORD m_code;
  std::optional<std::string> m_path;
  std::optional<int> m_from;
  std::optional<int> m_times;
  std::source_location m_where;
  std::function<void()> m_move;
  bool m_recordPaths = false;
  std::vector<std::vector<std::string>> m_pathsSeen;
  int m_seen = 0;
  int m_fired = 0;
};

class FaultPlan {
 public:
  FaultPlan() = default;
  FaultPlan(const FaultPlan&) = delete;
  FaultPlan& operator=(const FaultPlan&) = delete;
  // With RequireEveryRuleFires: reports each rule that never fired.
  ~FaultPlan();

  // The returned rule stays valid until Clear. Throws std::invalid_argument
  // when no operation has that name.
  FaultRule& Add(std::string_view operation, DWORD code,
                 std::source_location where = std::source_location::current());
  // Clear forgets the rules without reporting them.
  void Clear() { m_rules.clear(); }
  // From now on every rule, made before or after, must fire at least once.
  void RequireEveryRuleFires() { m_requireAllFired = true; }
  // The rules that have not fired yet, one per line; empty when all have.
  std::string Unfired() const;
  // Every rule counts the call; the first one that fires gives the code.
  // The moves of rules that fire run before this returns.
  std::optional<DWORD> Check(std::string_view operation, std::initializer_list<std::string_view> paths);
  std::string Describe() const;
  bool Empty() const { return m_rules.empty(); }

 private:
  std::vector<std::unique_ptr<FaultRule>> m_rules;
  bool m_requireAllFired = false;
};

// The operation names a rule may use.
const std::vector<std::string_view>& KnownOperations();

}  // namespace mem
