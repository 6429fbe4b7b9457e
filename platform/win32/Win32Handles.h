// Owners of system resources: each closes or releases what it holds when it
// goes away, on every path. Non-copyable; movable, so a resource can be handed
// on (into a table, out of a factory) without being closed twice.
#pragma once

#include "platform/win32/Win.h"

#include <utility>

namespace win32 {

// A resource value with a "none" value and a close function, given by Traits:
//   using Type = ...; static Type None(); static void Close(Type);
template <typename Traits>
class UniqueResource {
 public:
  using Type = typename Traits::Type;

  UniqueResource() = default;
  explicit UniqueResource(Type value) : m_value(value) {}
  ~UniqueResource() { reset(); }

  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  Type get() const { return m_value; }
  bool valid() const { return m_value != Traits::None(); }
  explicit operator bool() const { return valid(); }

  // Gives the value up without closing it.
  Type release() { return std::exchange(m_value, Traits::None()); }
  // Closes the value held, if any, and takes the new one.
  void reset(Type value = Traits::None()) {
    const Type old = std::exchange(m_value, value);
    if (old != Traits::None()) Traits::Close(old);
  }
  // Closes the value held and lends the slot to a function that fills it.
  Type* put() {
    reset();
    return &m_value;
  }

 private:
  Type m_value = Traits::None();
};

// A kernel object handle from CreateFileW (INVALID_HANDLE_VALUE when none).
struct FileHandleTraits {
  using Type = HANDLE;
  static Type None() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};
using UniqueFileHandle = UniqueResource<FileHandleTraits>;

// A directory search from FindFirstFileW.
struct FindHandleTraits {
  using Type = HANDLE;
  static Type None() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

// A buffer the system allocated with LocalAlloc (FormatMessage's text).
struct LocalBufferTraits {
  using Type = HLOCAL;
  static Type None() { return nullptr; }
  static void Close(Type buffer) { ::LocalFree(buffer); }
};
using UniqueLocalBuffer = UniqueResource<LocalBufferTraits>;

// A shell item list; the shell allocates these with the COM task allocator.
struct ItemListTraits {
  using Type = LPITEMIDLIST;
  static Type None() { return nullptr; }
  static void Close(Type list) { ::CoTaskMemFree(list); }
};
using UniqueItemList = UniqueResource<ItemListTraits>;

// A COM interface pointer, released when the owner goes away.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      m_p = std::exchange(other.m_p, nullptr);
    }
    return *this;
  }

  T* get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }

  void reset() {
    if (T* p = std::exchange(m_p, nullptr)) p->Release();
  }
  // The out-parameter of CoCreateInstance or QueryInterface.
  void** put_void() {
    reset();
    return reinterpret_cast<void**>(&m_p);
  }
  T** put() {
    reset();
    return &m_p;
  }

 private:
  T* m_p = nullptr;
};

}  // namespace win32
