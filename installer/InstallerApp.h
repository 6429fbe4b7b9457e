// The installer's application object and its backdrop.
#pragma once

#include "platform/framework/Afx.h"
#include "shell/BackdropWnd.h"

extern const BackdropLook kInstallerLook;

// The installer's backdrop: WM_START_FLOW runs the installation.
class CInstallerWnd : public CBackdropWnd {
 public:
  // copyFirstPaint is the copy dialog's once-per-run flag, handed on to it.
  CInstallerWnd(PlatformServices& platform, FirstPaintFlag& firstPaint, FirstPaintFlag& copyFirstPaint)
      : CBackdropWnd(platform, kInstallerLook, firstPaint), m_copyFirstPaint(copyFirstPaint) {}

 protected:
  LRESULT OnStartInstall(WPARAM wParam, LPARAM lParam);
  const MessageMap* GetMessageMap() const override;

 private:
  FirstPaintFlag& m_copyFirstPaint;
};

// The process's one application object: it owns both first-paint flags of the
// run (the backdrop's and the copy dialog's) and overrides only InitInstance.
class CInstallerApp : public CWinApp {
 public:
  FirstPaintFlag m_backdropFirstPaint;
  FirstPaintFlag m_copyFirstPaint;

 protected:
  BOOL InitInstance() override {
    return InitBackdropInstance(
        *this, std::make_unique<CInstallerWnd>(Platform(), m_backdropFirstPaint, m_copyFirstPaint));
  }
};
