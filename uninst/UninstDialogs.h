// The uninstaller's two dialogs: the confirmation that names the folder to
// be emptied, and the completion notice.
#pragma once

#include "platform/framework/Afx.h"
#include "uninst/resource.h"

// The text of the confirmation: the product line, the folder on a line of
// its own, what happens to it and the request to press Next.
CString ConfirmationText(const CString& folder);
// The text of the completion notice.
CString CompletionText();

// Ends with IDOK through Next (or Return), with IDCANCEL through Cancel or
// Escape. It names the folder it is given: the one the removal acts on.
class CConfirmDlg : public CDialog {
 public:
  CConfirmDlg(PlatformServices& platform, const CString& folder)
      : CDialog(platform, IDD_CONFIRM), m_folder(folder) {}

 protected:
  BOOL OnInitDialog() override;
  void OnNext();
  const MessageMap* GetMessageMap() const override;

 private:
  CString m_folder;
};

class CDoneDlg : public CDialog {
 public:
  explicit CDoneDlg(PlatformServices& platform) : CDialog(platform, IDD_DONE) {}

 protected:
  BOOL OnInitDialog() override;
};
