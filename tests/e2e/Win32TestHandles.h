// Owners of the system resources only the test programs hold (processes,
// the screen's pictures, registry keys read back), on the product's
// UniqueResource.
#pragma once

#include "platform/win32/Win32Handles.h"

namespace win32 {

// A kernel object handle that is null when there is none: a process or a
// thread (CreateProcessW, OpenProcess, OpenThread).
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type None() { return nullptr; }
  static void Close(Type h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<KernelHandleTraits>;

// A GDI object: a bitmap, a font.
struct GdiObjectTraits {
  using Type = HGDIOBJ;
  static Type None() { return nullptr; }
  static void Close(Type object) { ::DeleteObject(object); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;

// A memory device context from CreateCompatibleDC.
struct MemoryDcTraits {
  using Type = HDC;
  static Type None() { return nullptr; }
  static void Close(Type dc) { ::DeleteDC(dc); }
};
using UniqueMemoryDc = UniqueResource<MemoryDcTraits>;

// The screen's device context from GetDC(nullptr).
struct ScreenDcTraits {
  using Type = HDC;
  static Type None() { return nullptr; }
  static void Close(Type dc) { ::ReleaseDC(nullptr, dc); }
};
using UniqueScreenDc = UniqueResource<ScreenDcTraits>;

// An open registry key.
struct RegKeyTraits {
  using Type = HKEY;
  static Type None() { return nullptr; }
  static void Close(Type key) { ::RegCloseKey(key); }
};
using UniqueRegKey = UniqueResource<RegKeyTraits>;

}  // namespace win32
