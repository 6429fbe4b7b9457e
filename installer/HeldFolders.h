// Folders the installer writes into, held open while it does. A folder is
// held only when the system reaches it by the very path the installer
// named (its final path is that path made full): a level replaced by a
// link, a junction or a mapped drive is never written through. Once held,
// a folder can be neither renamed nor replaced (no delete sharing), so what
// was checked stays what is written into.
#pragma once

#include <deque>
#include <set>
#include <string>

#include "platform/CString.h"
#include "platform/Platform.h"

class HeldFolders {
 public:
  explicit HeldFolders(IFileSystem& files) : m_files(files) {}
  HeldFolders(const HeldFolders&) = delete;
  HeldFolders& operator=(const HeldFolders&) = delete;

  // Holds the folder at path. False when it cannot be opened, or is reached
  // through a link (ERROR_CANT_RESOLVE_FILENAME); GetLastError says why.
  bool Hold(const CString& path);

 private:
  IFileSystem& m_files;
  std::deque<CEntryHandle> m_held;  // never moved: a deque grows in place
  std::set<std::string> m_paths;    // the full paths held, as spelled
};

// The folder a path's last level lies in: everything before the last
// separator that a name follows (\ or /, never the second byte of a
// double-byte character), so "a\b\" gives "a"; empty when there is none.
CString FolderOf(const CString& path);
