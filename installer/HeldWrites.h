// Writes below the installation folder that go through held handles only.
// The top folder is opened by its path once, and only when the system
// reaches it by that very path; every level below it is opened (or made)
// relative to the held level above it, never following a link, and held
// until the tree goes. A file is never opened for writing where it stands:
// it is made new under a scratch name in its held folder, written through
// that handle and renamed over its name through the folder's handle, so a
// hard link or a link in its place never carries a write elsewhere.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/CString.h"
#include "platform/Platform.h"

enum class HeldWrite {
  Done,
  Refused,     // no held folder for it, or the entry in its place may not be replaced
  NotWritten,  // the new file could not be made or put in place
  NotFilled,   // the fill failed (it says why)
};

class HeldTree {
 public:
  explicit HeldTree(IFileSystem& files) : m_files(files) {}
  HeldTree(const HeldTree&) = delete;
  HeldTree& operator=(const HeldTree&) = delete;

  // Holds the top folder at path: false when it cannot be opened or is
  // reached through a link (ERROR_CANT_RESOLVE_FILENAME).
  bool Hold(const CString& path);
  // Holds the folder at path below the top and every level between them,
  // each opened relative to the one above; with create, a missing last
  // level is made (its access list inherited). False when a level is
  // missing, is a file or a link, or path does not lie below the top.
  bool HoldFolder(const CString& path, bool create);
  // Writes the file at path (below the top, in a folder HoldFolder would
  // hold) as a new file: fill writes its bytes through the handle it gets.
  // An existing file of that name is replaced by name only; one that is
  // read-only, hidden, system, a folder or a link is not replaced (Refused).
  // On any failure the new file goes.
  HeldWrite WriteFile(const CString& path, const std::function<bool(INT_PTR)>& fill);
  // WriteFile with the bytes of the file at source (read by its path).
  HeldWrite CopyFile(const CString& source, const CString& path);

 private:
  struct Level {
    Level(IFileSystem& files, INT_PTR handle) : handle(files, handle) {}
    CEntryHandle handle;
  };
  // The held level at the full path, opened (or made) when not yet held.
  const Level* Open(const CString& path, bool create);
  // Under Wine, where handles follow links: the entry was reached by the
  // path expected (its folder's full path and its name), not through a link.
  bool ReachedAsNamed(INT_PTR entry, std::string_view expected);
  // The existing entry name in folder may be replaced by a new file.
  bool MayReplace(const Level& folder, std::string_view folderPath, const CString& name);

  IFileSystem& m_files;
  std::string m_top;                    // the top's full path, as spelled
  std::map<std::string, Level> m_held;  // by full path as spelled; nodes never move
  std::vector<char> m_chunk;            // the copies' buffer
};
