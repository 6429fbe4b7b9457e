// IRegistry over the registry's W functions.
//
// The programs hand string-typed data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) over
// as Shift-JIS bytes, as they would to the A functions. Passing them to
// RegSetValueExA would let the system convert them with its own ANSI code page,
// wrong on any non-Japanese locale, so they are widened here with code page 932
// instead and stored with RegSetValueExW: every zero byte within the byte count
// stays one zero character (a one-string multi-string with its two zero bytes
// keeps both as UTF-16 zeros), and the byte count passed on is that of the
// UTF-16 data. Data of every other type is stored unchanged.
#pragma once

#include "platform/win32/Win.h"

#include "platform/Platform.h"

class Win32Registry : public IRegistry {
 public:
  LONG RegCreateKeyExA(HKEY root, const CString& subKey, DWORD options, DWORD access, HKEY* result,
                       DWORD* disposition) override;
  LONG RegSetValueExA(HKEY key, const CString& valueName, DWORD type, const BYTE* data,
                      DWORD byteCount) override;
  LONG RegDeleteKeyA(HKEY key, const CString& subKey) override;
  LONG RegCloseKey(HKEY key) override;
};
