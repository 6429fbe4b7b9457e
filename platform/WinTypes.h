// The Windows types, constants and messages the programs use, declared without
// <windows.h> so that the logic builds on any host. Each constant keeps its
// Windows name and value; the guards let a Win32 translation unit include
// <windows.h> before this header without clashes.
#pragma once

#include <cstdint>

#if defined(_WIN64)
typedef unsigned long long UINT_PTR;
typedef long long LONG_PTR;
typedef long long INT_PTR;
#elif defined(_WIN32)
typedef unsigned int UINT_PTR;
typedef long LONG_PTR;
typedef int INT_PTR;
#else
typedef std::uintptr_t UINT_PTR;
typedef std::intptr_t LONG_PTR;
typedef std::intptr_t INT_PTR;
#endif

typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
#if defined(_WIN32)
typedef long LONG;
typedef unsigned long DWORD;
typedef long HRESULT;
#else
// 32 bits as on Windows, so that failure HRESULTs are negative here too.
typedef std::int32_t LONG;
typedef std::uint32_t DWORD;
typedef std::int32_t HRESULT;
#endif
typedef DWORD COLORREF;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

// Opaque handles: the same declarations <windows.h> makes, so both agree.
struct HWND__;
typedef HWND__* HWND;
struct HKEY__;
typedef HKEY__* HKEY;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

#ifndef S_OK
constexpr HRESULT S_OK = 0;
#endif
#ifndef S_FALSE
constexpr HRESULT S_FALSE = 1;
#endif
#ifndef E_FAIL
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005L);
#endif
#ifndef E_NOINTERFACE
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002L);
#endif
#ifndef REGDB_E_CLASSNOTREG
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154L);
#endif

// Dialog results and message-box answers.
#ifndef IDOK
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
#endif

// Message-box styles.
#ifndef MB_OK
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_TYPEMASK = 0xF;
constexpr UINT MB_ICONMASK = 0xF0;
#endif

// Window messages and notifications.
#ifndef WM_PAINT
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_USER = 0x0400;
#endif
#ifndef BN_CLICKED
constexpr UINT BN_CLICKED = 0;
#endif
#ifndef EN_CHANGE
constexpr UINT EN_CHANGE = 0x0300;
#endif
#ifndef PBM_SETRANGE
constexpr UINT PBM_SETRANGE = WM_USER + 1;
constexpr UINT PBM_SETPOS = WM_USER + 2;
constexpr UINT PBM_SETSTEP = WM_USER + 4;
constexpr UINT PBM_STEPIT = WM_USER + 5;
#endif

// Window styles and show commands.
#ifndef WS_OVERLAPPEDWINDOW
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
#endif
#ifndef SW_SHOWNORMAL
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;
#endif

// Painting.
#ifndef TRANSPARENT
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
#endif
#ifndef SHIFTJIS_CHARSET
constexpr BYTE SHIFTJIS_CHARSET = 128;
#endif
#ifndef FW_DONTCARE
constexpr int FW_DONTCARE = 0;
#endif
#ifndef RGB
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
#endif
constexpr BYTE RedOf(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GreenOf(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE BlueOf(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }

// Files.
#ifndef FILE_ATTRIBUTE_READONLY
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
#endif
#ifndef INVALID_FILE_ATTRIBUTES
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFUL;
#endif
#ifndef MOVEFILE_DELAY_UNTIL_REBOOT
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;
#endif
// Attribute bits of a CRT search entry (_finddata_t::attrib).
constexpr unsigned A_RDONLY = 0x01;
constexpr unsigned A_HIDDEN = 0x02;
constexpr unsigned A_SUBDIR = 0x10;
constexpr unsigned A_ARCH = 0x20;
// A junction or a symbolic link (FILE_ATTRIBUTE_REPARSE_POINT); the runtime
// passes the bit on as it is.
constexpr unsigned A_REPARSE = 0x400;

// System error codes the layer reports through GetLastError.
#ifndef ERROR_SUCCESS
constexpr LONG ERROR_SUCCESS = 0;
#endif
#ifndef ERROR_FILE_NOT_FOUND
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_READY = 21;
constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_HANDLE_DISK_FULL = 39;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_DIRECTORY = 267;
constexpr DWORD ERROR_NOT_A_REPARSE_POINT = 4390;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr DWORD ERROR_CANT_RESOLVE_FILENAME = 1921;
#endif

// Drives.
#ifndef DRIVE_CDROM
constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;
#endif

// Shell folders and the folder picker.
#ifndef CSIDL_PROGRAMS
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_STARTMENU = 0x000B;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_COMMON_STARTMENU = 0x0016;
constexpr int CSIDL_COMMON_PROGRAMS = 0x0017;
constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x0019;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_PROFILE = 0x0028;
constexpr int CSIDL_PROGRAM_FILESX86 = 0x002A;
constexpr int CSIDL_PROGRAM_FILES_COMMON = 0x002B;
constexpr int CSIDL_PROGRAM_FILES_COMMONX86 = 0x002C;
constexpr int CSIDL_COMMON_DOCUMENTS = 0x002E;
#endif

// Access rights and the inheritance flags of an access list's entries.
#ifndef GENERIC_READ
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD GENERIC_ALL = 0x10000000;
#endif
#ifndef WRITE_DAC
constexpr DWORD DELETE = 0x00010000;
constexpr DWORD READ_CONTROL = 0x00020000;
constexpr DWORD WRITE_DAC = 0x00040000;
constexpr DWORD WRITE_OWNER = 0x00080000;
#endif
#ifndef FILE_ALL_ACCESS
constexpr DWORD FILE_DELETE_CHILD = 0x0040;
constexpr DWORD FILE_GENERIC_READ = 0x120089;
constexpr DWORD FILE_GENERIC_WRITE = 0x120116;
constexpr DWORD FILE_GENERIC_EXECUTE = 0x1200A0;
constexpr DWORD FILE_ALL_ACCESS = 0x1F01FF;
#endif
#ifndef FILE_PERSISTENT_ACLS
constexpr DWORD FILE_CASE_PRESERVED_NAMES = 0x0002;
constexpr DWORD FILE_PERSISTENT_ACLS = 0x0008;
#endif
#ifndef OBJECT_INHERIT_ACE
constexpr BYTE OBJECT_INHERIT_ACE = 0x01;
constexpr BYTE CONTAINER_INHERIT_ACE = 0x02;
constexpr BYTE NO_PROPAGATE_INHERIT_ACE = 0x04;
constexpr BYTE INHERIT_ONLY_ACE = 0x08;
constexpr BYTE INHERITED_ACE = 0x10;
#endif
#ifndef BIF_RETURNONLYFSDIRS
constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_EDITBOX = 0x0010;
#endif

// Registry.
#ifndef HKEY_LOCAL_MACHINE
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000001UL)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x80000002UL)))
#endif
#ifndef REG_SZ
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
#endif
#ifndef REG_OPTION_NON_VOLATILE
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
#endif
#ifndef REG_CREATED_NEW_KEY
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
#endif
#ifndef KEY_ALL_ACCESS
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
#endif

// The programs' own start messages.
constexpr UINT WM_START_FLOW = WM_USER + 1;
constexpr UINT WM_START_COPY = WM_USER + 2;

// A rectangle in client coordinates.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};
