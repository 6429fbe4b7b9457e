// The in-memory operating system: one file system, drive table, shell and
// registry wired together (files and drives share the drive table, the
// shell writes shortcut files into the file system, GetLastError is one
// value for all), with failures on demand, a simulated restart and a dump
// of the whole state for failing tests' messages.
//
//   MemorySystem sys;
//   sys.Drives().Add('C', DRIVE_FIXED);
//   sys.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
//   sys.Files().AddFile("Q:\\install.dat", "...", FILE_ATTRIBUTE_READONLY);
//   sys.Files().SetCurrentFolder("Q:\\");
//   sys.Fail("CopyFileA", ERROR_DISK_FULL).OnPath("\\05.html").Times(1);
//   ... run the logic against sys.Files(), sys.Drives() ...
//   EXPECT_TRUE(sys.Files().Exists("C:\\dest\\01.html")) << sys.Dump();
#pragma once

#include <memory>
#include <source_location>
#include <string>
#include <string_view>

#include "tests/memory/MemoryDrives.h"
#include "tests/memory/MemoryFileSystem.h"
#include "tests/memory/MemoryRegistry.h"
#include "tests/memory/MemoryShell.h"

using FaultRule = mem::FaultRule;

class MemorySystem {
 public:
  // No drives yet; the current folder is C:\ (usable once drive C exists).
  MemorySystem();
  MemorySystem(const MemorySystem&) = delete;
  MemorySystem& operator=(const MemorySystem&) = delete;

  MemoryFileSystem& Files() { return m_files; }
  MemoryDrives& Drives() { return m_drives; }
  MemoryShell& Shell() { return m_shell; }
  MemoryRegistry& Registry() { return m_registry; }
  const MemoryFileSystem& Files() const { return m_files; }
  const MemoryDrives& Drives() const { return m_drives; }
  const MemoryShell& Shell() const { return m_shell; }
  const MemoryRegistry& Registry() const { return m_registry; }

  // Makes an operation fail on demand (see MemoryFaults.h); the rule stays
  // valid until ClearFaults. An unknown operation is refused at once
  // (std::invalid_argument).
  FaultRule& Fail(std::string_view operation, DWORD code,
                  std::source_location where = std::source_location::current());
  void ClearFaults();
  // Every failure rule must fire at least once; one that never did is
  // reported, naming where it was made, when the system goes away.
  void RequireEveryFaultFires();
  // The rules that have not fired, one per line; empty when all have.
  std::string UnfiredFaults() const;

  // The code GetLastError would report now.
  DWORD LastError() const;

  // What the next start of the system does: the restart list is carried out
  // in order (files deleted, folders removed only when empty, renames done),
  // volatile registry keys are dropped, and locks held by programs end.
  void SimulateRestart();

  // The whole state as text: drives with their trees, current folder,
  // restart list, registry, special folders, live objects, failure rules.
  std::string Dump() const;

 private:
  std::shared_ptr<mem::MemoryCore> m_core;
  MemoryFileSystem m_files;
  MemoryDrives m_drives;
  MemoryShell m_shell;
  MemoryRegistry m_registry;
};
