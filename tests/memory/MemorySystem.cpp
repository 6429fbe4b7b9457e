#include "tests/memory/MemorySystem.h"

#include <cstdio>

#include "tests/memory/MemoryCodePage.h"

MemorySystem::MemorySystem()
    : m_core(std::make_shared<mem::MemoryCore>()),
      m_files(m_core),
      m_drives(m_core),
      m_shell(m_core),
      m_registry(m_core) {}

FaultRule& MemorySystem::Fail(std::string_view operation, DWORD code, std::source_location where) {
  return m_core->faults.Add(operation, code, where);
}

void MemorySystem::RequireEveryFaultFires() { m_core->faults.RequireEveryRuleFires(); }
std::string MemorySystem::UnfiredFaults() const { return m_core->faults.Unfired(); }

void MemorySystem::ClearFaults() { m_core->faults.Clear(); }

DWORD MemorySystem::LastError() const { return m_core->lastError; }

void MemorySystem::SimulateRestart() {
  m_core->files.CarryOutRestart();
  m_core->registry.DropVolatile();
}

std::string MemorySystem::Dump() const {
  const mem::MemoryCore& core = *m_core;
  std::string out = "===== in-memory system\n";
  out += core.files.Dump();
  out += "Registry:\n" + core.registry.Dump();
  out += "Special folders:\n";
  for (const auto& [csidl, path] : core.specialFolders) {
    char id[16];
    std::snprintf(id, sizeof id, "0x%04X", static_cast<unsigned>(csidl));
    out += std::string("  CSIDL ") + id + " = " + mem::Cp932ToReadable(path) + "\n";
  }
  const mem::ShellCounters& s = core.shell;
  out += "Shell: item lists live " + std::to_string(s.liveItemLists) + " (freed through the allocator " +
         std::to_string(s.itemListsFreed) + "), allocators live " + std::to_string(s.liveMallocs) +
         ", shell links live " + std::to_string(s.liveLinks) + ", persist files live " +
         std::to_string(s.livePersistFiles) + ", folder pickers shown " +
         std::to_string(core.browseCalls.size()) + "\n";
  out += "COM: CoInitialize " + std::to_string(s.coInitializeCalls) + ", CoUninitialize " +
         std::to_string(s.coUninitializeCalls) + ", still initialised " + std::to_string(s.comDepth) +
         ", unbalanced CoUninitialize " + std::to_string(s.unbalancedUninitialize) + "\n";
  char lastError[32];
  std::snprintf(lastError, sizeof lastError, "%lu", static_cast<unsigned long>(core.lastError));
  out += std::string("Last error: ") + lastError + "\n";
  if (!core.faults.Empty()) out += "Failures on demand:\n" + core.faults.Describe();
  out += "=====\n";
  return out;
}
