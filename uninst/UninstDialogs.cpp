#include "uninst/UninstDialogs.h"

CString ConfirmationText(const CString& folder) {
  return CString(" ドラマＣＤ plus ぺるしゅか Vol.1をハードディスクから削除します。\r\n") + folder +
         "\r\n以下の内容をすべて削除します。\r\n" + "よろしければ、次へを押してください。";
}

CString CompletionText() {
  return CString(" アンインストールは終了しました。") + "終了するには[終了]をしてください。";
}

const MessageMap* CConfirmDlg::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnBnClicked(IDC_NEXT, &CConfirmDlg::OnNext),
  };
  static const MessageMap map{CDialog::GetMessageMap(), entries};
  return &map;
}

BOOL CConfirmDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_TEXT, ConfirmationText(m_folder));
  return TRUE;
}

void CConfirmDlg::OnNext() { EndDialog(IDOK); }

BOOL CDoneDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetDlgItemText(IDC_TEXT, CompletionText());
  return TRUE;
}
