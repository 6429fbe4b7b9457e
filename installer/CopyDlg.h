// The copy dialog, and in its start handler the installation itself: the
// install list is read, every listed file copied with the current source and
// destination shown and a progress bar advancing, the links of two known
// pages rewritten, and the uninstaller registered. The dialog ends with IDOK
// when all is done, with IDCANCEL at the first failure (after its message).
#pragma once

#include "platform/framework/Afx.h"
#include "shell/FirstPaintFlag.h"

class CopyDisplay;
class HeldTree;

class CCopyDlg : public CDialog {
 public:
  // firstPaint is the process's copy-dialog flag (owned by the application
  // object): the copy starts at the first paint of the run, and never again.
  CCopyDlg(PlatformServices& platform, FirstPaintFlag& firstPaint, CWnd* parent = nullptr);

  // The CD's drive letter (one byte, no colon, or empty) and the destination
  // folder (absolute, no trailing backslash).
  void SetPaths(const CString& drive, const CString& dest);
  const CString& Drive() const { return m_drive; }
  const CString& Dest() const { return m_dest; }

 protected:
  BOOL OnInitDialog() override;
  void OnCancel() override;
  void OnPaint();
  LRESULT OnStartCopy(WPARAM wParam, LPARAM lParam);
  const MessageMap* GetMessageMap() const override;

 private:
  // One file: shown, then written anew through the held folder it lands
  // in, its links rewritten on the way when it is one of the two pages.
  // False (after the message) when the installation has to stop.
  bool CopyOneFile(CopyDisplay& display, HeldTree& held, const CString& source, const CString& destination,
                   bool unsafe);

  CString m_drive;
  CString m_dest;
  FirstPaintFlag& m_firstPaint;
};
