// Looks up Windows paths below a folder of the Linux file system the way
// Windows would find them on a CD: letters compared without case, \ and /
// both separating levels, "." and ".." resolved, ".." stopping at the root.
// Names on disk are UTF-8; the paths asked for are Shift-JIS.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The levels of a Windows path, split at \ and / by characters (a trail
// byte 0x5C belongs to its character), with empty levels and "." dropped
// and ".." applied lexically; ".." at the top stays at the top.
std::vector<std::string> PathLevels(std::string_view path);

struct CdEntry {
  std::filesystem::path path;  // where it is on disk
  bool isFolder = false;
  std::uintmax_t size = 0;  // bytes, for a file
};

class CCdTree {
 public:
  explicit CCdTree(std::filesystem::path root) : m_root(std::move(root)) {}

  // The entry a path relative to the root (Shift-JIS) names; nothing when it
  // does not exist.
  std::optional<CdEntry> Find(std::string_view relative) const;

 private:
  std::filesystem::path m_root;
};
