#include "tests/memory/MemoryFaults.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "tests/memory/ExpectationReport.h"
#include "tests/memory/MemoryCodePage.h"
#include "tests/memory/MemoryPath.h"

namespace mem {

const std::vector<std::string_view>& KnownOperations() {
  static const std::vector<std::string_view> names = {
      // files
      "findfirst", "findnext", "findclose", "CreateDirectoryA", "CopyFileA", "GetFileAttributesA",
      "SetFileAttributesA", "DeleteFileA", "RemoveDirectoryA", "MoveFileExA", "GetCurrentDirectoryA",
      "SetCurrentDirectoryA", "GetWindowsDirectoryA", "FormatMessageA", "OpenFile", "Read", "Write",
      "OpenFolderHandle", "OpenEntryAt", "GetHandleAttributes", "ListFolderHandle", "DeleteByHandle",
      "GetFinalPathNameByHandleA", "GetFullPathNameA", "GetLongPathNameA", "GetHandleSecurity",
      "GetHandleLinkCount", "GetHandleVolumeFlags", "OpenFolderAt", "CreateFolderAt", "CreateFileAt",
      "WriteByHandle", "SetHandleAttributes", "RenameByHandle",
      // drives
      "GetDriveTypeA", "GetVolumeInformationA",
      // shell and COM
      "SHGetSpecialFolderPathA", "SHGetSpecialFolderLocation", "SHGetPathFromIDListA", "SHGetMalloc",
      "SHBrowseForFolderA", "CoInitialize", "CoCreateShellLink", "SetArguments", "SetDescription",
      "SetWorkingDirectory", "SetIconLocation", "SetPath", "QueryPersistFile", "Save", "MultiByteToWideChar",
      // registry
      "RegCreateKeyExA", "RegSetValueExA", "RegDeleteKeyA", "RegCloseKey"};
  return names;
}

FaultRule::FaultRule(std::string operation, DWORD code, std::source_location where)
    : m_operation(std::move(operation)), m_code(code), m_where(where) {}

FaultRule& FaultRule::OnPath(std::string_view fragment) {
  m_path = std::string(fragment);
  return *this;
}

FaultRule& FaultRule::OnCall(int n) {
  m_from = n;
  if (!m_times) m_times = 1;
  return *this;
}

FaultRule& FaultRule::Times(int k) {
  m_times = k;
  return *this;
}

FaultRule& FaultRule::Before(std::function<void()> move) {
  m_move = std::move(move);
  return *this;
}

FaultRule& FaultRule::RecordPaths() {
  m_recordPaths = true;
  return *this;
}

bool FaultRule::IsKnownOperation() const {
  const auto& names = KnownOperations();
  return std::find(names.begin(), names.end(), m_operation) != names.end();
}

bool FaultRule::Check(std::string_view operation, std::initializer_list<std::string_view> paths,
                      bool mayFire) {
  if (operation != m_operation) return false;
  if (m_path) {
    const bool any = std::any_of(paths.begin(), paths.end(),
                                 [&](std::string_view p) { return ContainsFolded(p, *m_path); });
    if (!any) return false;
  }
  ++m_seen;
  if (m_recordPaths) m_pathsSeen.emplace_back(paths.begin(), paths.end());
  if (!mayFire) return false;
  if (m_from && m_seen < *m_from) return false;
  if (m_times && m_fired >= *m_times) return false;
  ++m_fired;
  return true;
}

std::string FaultRule::Describe() const {
  char code[32];
  std::snprintf(code, sizeof code, "0x%lX", static_cast<unsigned long>(m_code));
  std::string text = m_operation + " -> " + code;
  if (m_path) text += " on path \"" + Cp932ToReadable(*m_path) + "\"";
  if (m_from) text += " from call " + std::to_string(*m_from);
  if (m_times) text += " times " + std::to_string(*m_times);
  text += "; seen " + std::to_string(m_seen) + ", fired " + std::to_string(m_fired);
  text += " (set at " + DescribeLocation(m_where) + ")";
  return text;
}

FaultPlan::~FaultPlan() {
  if (!m_requireAllFired) return;
  for (const auto& rule : m_rules) {
    if (rule->Fired() == 0)
      ReportUnusedExpectation(rule->Where(), "the failure rule never fired: " + rule->Describe());
  }
}

FaultRule& FaultPlan::Add(std::string_view operation, DWORD code, std::source_location where) {
  auto rule = std::make_unique<FaultRule>(std::string(operation), code, where);
  if (!rule->IsKnownOperation()) {
    std::string known;
    for (std::string_view name : KnownOperations()) known += " " + std::string(name);
    throw std::invalid_argument(DescribeLocation(where) + ": no operation is named \"" +
                                std::string(operation) + "\"; a failure rule may name:" + known);
  }
  m_rules.push_back(std::move(rule));
  return *m_rules.back();
}

std::string FaultPlan::Unfired() const {
  std::string text;
  for (const auto& rule : m_rules) {
    if (rule->Fired() == 0) text += rule->Describe() + "\n";
  }
  return text;
}

std::optional<DWORD> FaultPlan::Check(std::string_view operation,
                                      std::initializer_list<std::string_view> paths) {
  std::optional<DWORD> result;
  std::vector<const FaultRule*> moves;
  for (auto& rule : m_rules) {
    if (!rule->Check(operation, paths, !result.has_value())) continue;
    if (rule->IsMove()) {
      moves.push_back(rule.get());
    } else {
      result = rule->Code();
    }
  }
  for (const FaultRule* move : moves) move->RunMove();
  return result;
}

std::string FaultPlan::Describe() const {
  std::string text;
  for (const auto& rule : m_rules) text += "  " + rule->Describe() + "\n";
  return text;
}

}  // namespace mem
