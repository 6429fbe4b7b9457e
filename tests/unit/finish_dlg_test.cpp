// The completion dialog: its resource, and its text byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "installer/FinishDlg.h"
#include "installer/resource.h"
#include "tests/memory/MemoryCodePage.h"
#include "tests/memory/MemoryPlatform.h"
#include "tests/memory/Resources.h"
#include "tests/unit/TestSupport.h"

std::string_view InstallerResources();

namespace {

// The text as written for people, converted to Shift-JIS here by the host's
// own code page 932 table, apart from the compiler's conversion of the
// program's literal.
const std::u16string kExpectedText =
    u"「タヴリン　オリジナルドラマＣＤ　plus ぺるしゅか "
    u"Vol.1」デジタルコンテンツをインストール完了しました。スタートメニューの[スタート]-[プログラム]-["
    u"Harborlit]-[zuvIV１iru]から起動できます。\r\n\r\n"
    u"ＣＤには今回インストールしたものの他に、タヴリンＦＭ4."
    u"19やタヴリンの修正プログラムが入っています。ＣＤをドライブに挿入すると起動します。起動しない場合はＣＤ"
    u"内のstart.exeを実行してください。\r\n\r\n"
    u"ＣＤに収録されているタヴリンＦＭ4.19の動作にはWindwosMediaPlayer6.4とWindowsMediaTool4."
    u"1のインストールが必要です。詳しくは、ＣＤ内のreadme.txtをお読みください。";

constexpr DWORD kWsPopup = 0x80000000;
constexpr DWORD kWsCaption = 0x00C00000;
constexpr DWORD kWsBorder = 0x00800000;
constexpr DWORD kDsModalFrame = 0x80;
constexpr DWORD kEsMultiline = 0x4;
constexpr DWORD kEsReadOnly = 0x800;
constexpr DWORD kEsWantReturn = 0x1000;
constexpr DWORD kBsDefPushButton = 0x1;

TEST(FinishDlgResourceTest, Dialog103IsLaidOutAsSpecified) {
  const auto templates = ReadDialogTemplates(InstallerResources());
  ASSERT_EQ(templates.count(103), 1u);
  const DialogTemplate& t = templates.at(103);
  EXPECT_EQ(t.caption, "インストール完了");
  EXPECT_EQ(t.cx, 174);
  EXPECT_EQ(t.cy, 149);
  EXPECT_EQ(t.style & (kWsPopup | kWsCaption | kDsModalFrame), kWsPopup | kWsCaption | kDsModalFrame);
  EXPECT_EQ(t.pointSize, 9);
  EXPECT_EQ(t.faceName, "ＭＳ Ｐゴシック");
  ASSERT_EQ(t.controls.size(), 2u);

  const DialogControl& button = t.controls[0];
  EXPECT_EQ(button.id, IDOK);
  EXPECT_EQ(button.className, "Button");
  EXPECT_EQ(button.text, "終了");
  EXPECT_EQ(button.style & 0xF, kBsDefPushButton);
  EXPECT_EQ((std::vector<int>{button.x, button.y, button.cx, button.cy}),
            (std::vector<int>{120, 130, 50, 14}));

  const DialogControl& text = t.controls[1];
  EXPECT_EQ(text.id, 1002);
  EXPECT_EQ(text.className, "Edit");
  EXPECT_EQ(text.style & (kEsMultiline | kEsReadOnly | kEsWantReturn),
            kEsMultiline | kEsReadOnly | kEsWantReturn);
  EXPECT_EQ(text.style & kWsBorder, 0u) << "no border";
  EXPECT_EQ((std::vector<int>{text.x, text.y, text.cx, text.cy}), (std::vector<int>{5, 5, 160, 120}));
}

TEST(FinishDlgTest, ShowsTheCompletionTextByteForByteAndClosesWithOk) {
  MemoryPlatform platform;
  platform.Ui().AddResources(InstallerResources());
  CFinishDlg dialog(platform);
  CString shown, caption;
  platform.Ui().ExpectDialog(103, {UiAction::Check([&](MemoryUi& ui, HWND d) {
                                     shown = ui.ControlText(d, IDC_FINISH_TEXT);
                                     caption = ui.GetWindowTextA(d);
                                   }),
                                   UiAction::Return()});
  EXPECT_EQ(dialog.DoModal(), IDOK);
  platform.Ui().CheckScriptDone();
  EXPECT_EQ(shown, CString(mem::Utf16ToCp932(kExpectedText)));
  EXPECT_EQ(caption, "インストール完了");
  // Spot checks of the bytes: CR LF between paragraphs, "終了" in Shift-JIS.
  EXPECT_NE(shown.view().find("\x82\xDC\x82\xB7\x81\x42\r\n\r\n"), std::string_view::npos);
  EXPECT_EQ(CString("終了").str(), "\x8F\x49\x97\xB9");
}

}  // namespace
