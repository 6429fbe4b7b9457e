// The behaviour cases (tests/behaviour/) on the memory platform: each case on
// a fresh system, every check a failure of its own. The same cases run under
// Wine on the Win32 layer (tests/e2e/platform/).
#include <gtest/gtest.h>

#include <string>

#include "tests/behaviour/BehaviourCases.h"
#include "tests/memory/MemorySystem.h"

namespace {

class MemoryBackend final : public cases::Backend {
 public:
  MemoryBackend() {
    m_sys.Drives().Add('C', DRIVE_FIXED);
    m_sys.Files().AddFolder("C:\\scratch");
  }

  const char* Name() const override { return "memory"; }
  IFileSystem& Files() override { return m_sys.Files(); }
  IRegistry& Registry() override { return m_sys.Registry(); }
  IShell& Shell() override { return m_sys.Shell(); }
  CString Scratch() const override { return "C:\\scratch"; }
  CString ScratchKey() const override { return "Software\\BehaviourCases"; }

  std::optional<std::string> FileBytes(const CString& path) override { return m_sys.Files().Contents(path); }
  std::optional<cases::ValueRead> ReadValue(HKEY root, const CString& key, const CString& name) override {
    const auto value = m_sys.Registry().GetValue(root, key, name);
    if (!value) return std::nullopt;
    return cases::ValueRead{value->type, value->bytes};
  }
  std::optional<cases::ShortcutRead> ReadShortcut(const CString& path) override {
    const auto file = m_sys.Shell().ReadShortcut(path);
    if (!file) return std::nullopt;
    return cases::ShortcutRead{file->target,
                               file->arguments,
                               file->description,
                               file->workingFolder,
                               file->iconPath.value_or(CString()),
                               file->iconIndex};
  }
  std::vector<cases::RestartRead> RestartRequests() override {
    std::vector<cases::RestartRead> requests;
    for (const mem::RestartEntry& entry : m_sys.Files().RestartList()) {
      requests.push_back({entry.path, entry.newName});
    }
    return requests;
  }
  bool PlantLink(const CString& link, const CString& target) override {
    return m_sys.Files().AddLink(link, target);
  }
  bool PlantYenFolder(const CString& folder) override {
    return m_sys.Files().AddUnnarrowable(folder + "\\x?..?..?canary", true);
  }

  std::string Dump() const { return m_sys.Dump(); }

 private:
  MemorySystem m_sys;
};

class CollectedReport final : public cases::Report {
 public:
  void Pass(const std::string&) override { ++passed; }
  void Fail(const std::string& name, const std::string& detail) override {
    failures += "FAIL " + name + (detail.empty() ? "" : ": " + detail) + "\n";
  }
  void KnownDifference(const std::string& name, const std::string& detail, const std::string&) override {
    // Only Wine may differ; on the memory platform it is a failure.
    Fail(name, detail);
  }
  void Skip(const std::string& name, const std::string& reason) override {
    failures += "SKIPPED " + name + ": " + reason + "\n";
  }
  int passed = 0;
  std::string failures;
};

class BehaviourCase : public ::testing::TestWithParam<std::size_t> {};

TEST_P(BehaviourCase, HoldsOnTheMemoryPlatform) {
  MemoryBackend backend;
  CollectedReport report;
  cases::RunOne(backend, cases::Checker(report, false), GetParam());
  EXPECT_GT(report.passed, 1);
  EXPECT_EQ(report.failures, "") << backend.Dump();
}

INSTANTIATE_TEST_SUITE_P(Cases, BehaviourCase, ::testing::Range<std::size_t>(0, cases::AllCases().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           std::string name = cases::AllCases()[info.param].id;
                           return name;
                         });

}  // namespace
