// The uninstaller's application object and its backdrop.
#pragma once

#include "platform/framework/Afx.h"
#include "shell/BackdropWnd.h"

extern const BackdropLook kUninstLook;

// The uninstaller's backdrop: WM_START_FLOW runs the removal.
class CUninstWnd : public CBackdropWnd {
 public:
  CUninstWnd(PlatformServices& platform, FirstPaintFlag& firstPaint)
      : CBackdropWnd(platform, kUninstLook, firstPaint) {}

 protected:
  LRESULT OnStartUninstall(WPARAM wParam, LPARAM lParam);
  const MessageMap* GetMessageMap() const override;
};

class CUninstApp : public CBackdropApp<CUninstWnd> {};
