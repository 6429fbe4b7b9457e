// The real platform: every area over Win32.
#pragma once

#include "platform/win32/Win.h"

#include "platform/Platform.h"
#include "platform/win32/Win32Drives.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32Ui.h"

class Win32Platform : public PlatformServices {
 public:
  explicit Win32Platform(HINSTANCE instance) : m_ui(instance) {}
  IFileSystem& Files() override { return m_files; }
  IDrives& Drives() override { return m_drives; }
  IShell& Shell() override { return m_shell; }
  IRegistry& Registry() override { return m_registry; }
  IUserInterface& Ui() override { return m_ui; }

 private:
  Win32FileSystem m_files;
  Win32Drives m_drives;
  Win32Shell m_shell;
  Win32Registry m_registry;
  Win32Ui m_ui;
};
