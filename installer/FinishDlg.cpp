#include "installer/FinishDlg.h"

#include "installer/resource.h"

CFinishDlg::CFinishDlg(PlatformServices& platform, CWnd* parent) : CDialog(platform, IDD_FINISH, parent) {}

BOOL CFinishDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_FINISH_TEXT, kFinishText);
  return TRUE;
}
