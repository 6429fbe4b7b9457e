// What an installation left on the system, read back through the system's
// own W functions as "field<TAB>value" lines (UTF-8, each ending in a line
// feed): e2e_inspect.exe prints them, the driver compares them with what a
// script expects.
#pragma once

#include "platform/win32/Win.h"

#include <string>
#include <string_view>
#include <vector>

namespace readback {

std::string Utf8(std::wstring_view text);

// KEY_READ in the registry view named "32" or "64"; 0 for any other word.
REGSAM ReadIn(std::wstring_view view);

// Whether HKEY_LOCAL_MACHINE\subKey exists in the view: the error of
// RegOpenKeyExW, ERROR_SUCCESS when it is there and ERROR_FILE_NOT_FOUND
// when it is not (any other code says neither: access denied, say).
LONG OpenKeyStatus(REGSAM access, const std::wstring& subKey);

// A value under HKEY_LOCAL_MACHINE\subKey: type, bytes (as stored, UTF-16),
// each string of a REG_MULTI_SZ or REG_SZ, and whether a multi-string ends
// in its two terminating zeros. False (and why in `error`) when it cannot
// be read.
bool RegistryValue(REGSAM access, const std::wstring& subKey, const std::wstring& name, std::string& fields,
                   std::string& error);

// A shortcut's fields: path, target, arguments, description, workdir, icon,
// icon-index. COM must be initialised on the thread.
bool LinkFields(const std::wstring& file, std::string& fields, std::string& error);

// The restart-time list (PendingFileRenameOperations): its strings in order,
// pairs of source and target (an empty target deletes). Empty when there is
// no list.
std::vector<std::wstring> PendingOperations();

}  // namespace readback
