// The installer's application object and its backdrop.
#pragma once

#include "platform/framework/Afx.h"
#include "shell/BackdropWnd.h"

extern const BackdropLook kInstallerLook;

// The installer's backdrop: WM_START_FLOW runs the installation.
class CInstallerWnd : public CBackdropWnd {
 public:
  CInstallerWnd(PlatformServices& platform, FirstPaintFlag& firstPaint)
      : CBackdropWnd(platform, kInstallerLook, firstPaint) {}

 protected:
  LRESULT OnStartFlow(WPARAM wParam, LPARAM lParam) override { return OnStartInstall(wParam, lParam); }
  LRESULT OnStartInstall(WPARAM wParam, LPARAM lParam);
};

class CInstallerApp : public CBackdropApp<CInstallerWnd> {};
