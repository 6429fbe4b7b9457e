// Everything the in-memory platform remembers, shared by its four services
// and by the objects they hand out (streams, item lists, shell links), which
// keep it alive for as long as they live.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "tests/memory/MemoryFaults.h"
#include "tests/memory/MemoryRegistryTree.h"
#include "tests/memory/MemoryTree.h"

namespace mem {

// Live objects and calls of the shell and COM, for leak and balance checks.
struct ShellCounters {
  int liveItemLists = 0;
  int itemListsFreed = 0;  // through IShellMalloc::Free
  int liveMallocs = 0;
  int liveLinks = 0;
  int livePersistFiles = 0;
  int coInitializeCalls = 0;
  int coUninitializeCalls = 0;
  int comDepth = 0;                // successful CoInitialize calls not yet undone
  int unbalancedUninitialize = 0;  // CoUninitialize with nothing to undo
};

using BrowseHandler = std::function<std::optional<CString>(const BrowseInfo&)>;

struct MemoryCore {
  DWORD lastError = 0;
  FaultPlan faults;
  FileTree files;
  RegistryTree registry;
  std::map<int, std::string> specialFolders;
  // Special folder paths handed back as they are, not looked up: a share or
  // text that names no folder of the tree.
  std::map<int, std::string> verbatimSpecialFolders;
  std::string windowsFolder = "C:\\Windows";
  bool underWine = false;  // IFileSystem::RunsUnderWine
  BrowseHandler browseHandler;
  std::vector<BrowseInfo> browseCalls;
  ShellCounters shell;
};

}  // namespace mem
