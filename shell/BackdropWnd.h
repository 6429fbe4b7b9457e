// The maximised, captioned backdrop both programs run behind: a vertical
// colour gradient with the product title. Its first paint posts
// WM_START_FLOW to itself; the program's driver handles that message.
#pragma once

#include "platform/framework/Afx.h"
#include "shell/FirstPaintFlag.h"

// What differs between the two programs' backdrops.
struct BackdropLook {
  const char* caption;               // window caption
  const char* title;                 // painted at (20, 20) on a 96-DPI screen
  COLORREF (*bandColour)(int band);  // band 0..255
};

// The number of bands painted, and the rows one band covers: band i fills
// rows (i - 1) * a up to i * a, where a is the client height / 192.
inline constexpr int kBandCount = 256;
inline constexpr int kBandsOnScreen = 192;
Rect BandRect(const Rect& client, int band);

// A program's backdrop derives from this class and binds WM_START_FLOW to its
// driver in its own message map, whose base is this class's (WM_PAINT).
class CBackdropWnd : public CFrameWnd {
 public:
  CBackdropWnd(PlatformServices& platform, const BackdropLook& look, FirstPaintFlag& firstPaint);

  // Creates the window: called once the object is complete, so the messages
  // of the creation reach the finished object. FALSE when it fails.
  BOOL CreateBackdrop();

 protected:
  void OnPaint();
  const MessageMap* GetMessageMap() const override;

 private:
  const BackdropLook& m_look;
  FirstPaintFlag& m_firstPaint;
};

// InitInstance of both programs: creates the backdrop and makes it the main
// window, shows it with the start-up show command, paints it at once and
// maximises it. FALSE (the program ends) when the window cannot be created.
BOOL InitBackdropInstance(CWinApp& app, std::unique_ptr<CBackdropWnd> backdrop);

// The application object of a program that runs behind the backdrop Wnd
// (constructed from the platform and the first-paint flag). It owns the
// process's first-paint flag and overrides only InitInstance.
template <class Wnd>
class CBackdropApp : public CWinApp {
 public:
  FirstPaintFlag m_backdropFirstPaint;

 protected:
  BOOL InitInstance() override {
    return InitBackdropInstance(*this, std::make_unique<Wnd>(Platform(), m_backdropFirstPaint));
  }
};
