// The in-memory platform as the programs see it: the in-memory system
// (files, drives, shell, registry, failures on demand) and the scripted user
// interface behind one PlatformServices. The folder picker the shell opens is
// answered by the user-interface script.
//
//   MemoryPlatform platform;
//   platform.Drives().Add('Q', DRIVE_CDROM, "TAVRIN_DRAMACD1");
//   platform.Ui().ExpectDialog(101, {UiAction::Return()}).ExpectMessageBox("...", IDYES);
//   CInstallerApp app;
//   app.Run(platform, SW_SHOWNORMAL);
#pragma once

#include "platform/Platform.h"
#include "tests/memory/MemorySystem.h"
#include "tests/memory/MemoryUi.h"

class MemoryPlatform : public PlatformServices, public MemorySystem {
 public:
  MemoryPlatform() {
    MemorySystem::Shell().SetBrowseHandler(
        [this](const BrowseInfo& info) { return m_ui.RunFolderPicker(info); });
  }

  MemoryFileSystem& Files() override { return MemorySystem::Files(); }
  MemoryDrives& Drives() override { return MemorySystem::Drives(); }
  MemoryShell& Shell() override { return MemorySystem::Shell(); }
  MemoryRegistry& Registry() override { return MemorySystem::Registry(); }
  MemoryUi& Ui() override { return m_ui; }

 private:
  MemoryUi m_ui;
};
