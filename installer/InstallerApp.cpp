#include "installer/InstallerApp.h"

namespace {
COLORREF BlueBand(int band) { return RGB(0, 0, static_cast<BYTE>(255 - band)); }
}  // namespace

const BackdropLook kInstallerLook = {
    "ドラマＣＤ１ インストーラー",
    "タヴリン ドラマＣＤ plus ぺるしゅか インストーラー",
    BlueBand,
};

const MessageMap* CInstallerWnd::GetMessageMap() const {
  static const MessageMapEntry entries[] = {
      OnMessage(WM_START_FLOW, &CInstallerWnd::OnStartInstall),
  };
  static const MessageMap map{CBackdropWnd::GetMessageMap(), entries};
  return &map;
}

// OnStartInstall, the installation flow, is in InstallDriver.cpp.
