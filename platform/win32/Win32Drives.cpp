#include "platform/win32/Win.h"

#include "platform/win32/Win32Drives.h"

#include "platform/win32/Win32Strings.h"

UINT Win32Drives::GetDriveTypeA(const CString& root) {
  return ::GetDriveTypeW(win32::Widen(root.view()).c_str());
}

BOOL Win32Drives::GetVolumeInformationA(const CString& root, CString& label) {
  // A label has at most 32 characters; MAX_PATH + 1 is what the system asks for.
  wchar_t volumeName[MAX_PATH + 1] = {};
  const BOOL ok = ::GetVolumeInformationW(win32::Widen(root.view()).c_str(), volumeName, MAX_PATH + 1,
                                          nullptr, nullptr, nullptr, nullptr, 0);
  if (ok) label = win32::Narrow(volumeName);
  return ok;
}
