// The completion dialog: says where the installed content is started from
// and what else the CD holds. Its one button closes it.
#pragma once

#include "platform/framework/Afx.h"

// The dialog's text, CR LF between its paragraphs.
inline constexpr char kFinishText[] =
    "「タヴリン　オリジナルドラマＣＤ　plus ぺるしゅか "
    "Vol.1」デジタルコンテンツをインストール完了しました。スタートメニューの[スタート]-[プログラム]-["
    "Harborlit]-[zuvIV１iru]から起動できます。\r\n\r\n"
    "ＣＤには今回インストールしたものの他に、タヴリンＦＭ4."
    "19やタヴリンの修正プログラムが入っています。ＣＤをドライブに挿入すると起動します。起動しない場合はＣＤ内"
    "のstart.exeを実行してください。\r\n\r\n"
    "ＣＤに収録されているタヴリンＦＭ4.19の動作にはWindwosMediaPlayer6.4とWindowsMediaTool4."
    "1のインストールが必要です。詳しくは、ＣＤ内のreadme.txtをお読みください。";

class CFinishDlg : public CDialog {
 public:
  explicit CFinishDlg(PlatformServices& platform, CWnd* parent = nullptr);

 protected:
  BOOL OnInitDialog() override;
};
