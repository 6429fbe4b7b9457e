// IDrives over GetDriveTypeW and GetVolumeInformationW.
#pragma once

#include "platform/win32/Win.h"

#include "platform/Platform.h"

class Win32Drives : public IDrives {
 public:
  UINT GetDriveTypeA(const CString& root) override;
  BOOL GetVolumeInformationA(const CString& root, CString& label) override;
};
