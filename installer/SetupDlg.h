// The installer's input screen: the CD's readme, the CD drive letter (found
// by the CD's volume label), the destination folder, a folder picker for
// each, and the confirmation before the installation starts.
#pragma once

#include <optional>

#include "platform/CString.h"
#include "platform/Platform.h"
#include "platform/framework/Afx.h"

// The CD is found by this volume label, compared without regard to case.
inline constexpr char kCdVolumeLabel[] = "TAVRIN_DRAMACD1";
// Appended to a drive root to give the proposed destination.
inline constexpr char kDefaultDestBelowRoot[] = "Program Files\\Harborlit\\Drama1";

class CSetupDlg : public CDialog {
 public:
  explicit CSetupDlg(PlatformServices& platform, CWnd* parent = nullptr);

  // The readme shown at every showing, relative to the current folder (the
  // installer's own, made current before the dialog is shown).
  void SetReadmeName(const CString& name) { m_readmeName = name; }

  // The drive field without leading white space, cut to its first byte
  // (one byte or empty); stored back.
  CString GetDrive();
  // The destination field without surrounding white space and without
  // trailing backslashes; stored back.
  CString GetDest();

 protected:
  BOOL OnInitDialog() override;
  void OnOK() override;
  const MessageMap* GetMessageMap() const override;

  void OnBrowseDrive();
  void OnBrowseDest();
  void OnChangeDrive();
  void OnChangeDest();

 private:
  // The folder picker with the given title and flags: the chosen folder's
  // path, nothing when the user cancels or the shell cannot say.
  std::optional<CString> BrowseForFolder(const CString& title, UINT flags);
  CString ReadReadme();
  // The drive root the default destination lies on.
  CString DefaultDestRoot();

  // Members of the object, not of the window: they keep their values from
  // one showing to the next.
  CString m_dest;
  CString m_readmeName;
  CString m_drive;
};

// The volume label of the drive with this letter, lower-cased, into label;
// 1 on success, 0 (label unchanged) when the drive has no medium or the
// system cannot say.
int GetVolumeLabel(IDrives& drives, char letter, CString& label);

// The letter of the CD drive whose medium carries the CD's volume label:
// ownDrive (the upper-case letter of the drive the installer was started
// from; 0 for none) when it is such a drive, else the first such drive from
// A to Y (Z is not searched); 0 when there is none. A disc image of the
// user's with the same label at a lower letter is so never taken for the
// disc the installer runs from.
char FindCdDrive(IDrives& drives, char ownDrive);
