#include "installer/InstallerApp.h"

namespace {
COLORREF BlueBand(int band) { return RGB(0, 0, static_cast<BYTE>(255 - band)); }
}  // namespace

const BackdropLook kInstallerLook = {
    "ドラマＣＤ１ インストーラー",
    "タヴリン ドラマＣＤ plus ぺるしゅか インストーラー",
    BlueBand,
};

// The installation flow is not wired in yet: the backdrop stays until closed.
LRESULT CInstallerWnd::OnStartInstall(WPARAM, LPARAM) { return 0; }
