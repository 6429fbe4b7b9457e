#include "uninst/UninstApp.h"

namespace {
COLORREF RedBand(int band) { return RGB(static_cast<BYTE>(255 - band), 0, 0); }
}  // namespace

const BackdropLook kUninstLook = {
    "ドラマＣＤ１ アンインストーラー",
    "タヴリン ドラマＣＤ plus ぺるしゅか アンインストーラー",
    RedBand,
};

const MessageMap* CUninstWnd::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnMessage(WM_START_FLOW, &CUninstWnd::OnStartUninstall),
  };
  static const MessageMap map{CBackdropWnd::GetMessageMap(), entries};
  return &map;
}

// OnStartUninstall: StartUninstall.cpp.
