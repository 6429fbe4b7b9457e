#include "installer/tool/CdTree.h"

#include <string>
#include <system_error>
#include <vector>

#include "installer/tool/Encoding.h"
#include "platform/CString.h"
#include "shell/PathNames.h"

namespace {

// The entry of folder whose name matches level (Shift-JIS): an exact match
// first, else one that differs only in the case of single-byte letters.
std::optional<std::filesystem::path> FindInFolder(const std::filesystem::path& folder,
                                                  const std::string& level) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return std::nullopt;
  std::optional<std::filesystem::path> caseless;
  for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (ec) return std::nullopt;
    const std::optional<std::string> name = Utf8ToCp932(it->path().filename().string());
    if (!name) continue;
    if (*name == level) return it->path();
    if (!caseless && MbsICmp(*name, level) == 0) caseless = it->path();
  }
  return caseless;
}

}  // namespace

std::vector<std::string> PathLevels(std::string_view path) {
  std::vector<std::string> levels;
  for (const std::string_view level : SplitPath(path)) {
    if (level == "..") {
      if (!levels.empty()) levels.pop_back();
    } else if (level != ".") {
      levels.emplace_back(level);
    }
  }
  return levels;
}

std::optional<CdEntry> CCdTree::Find(std::string_view relative) const {
  std::filesystem::path current = m_root;
  for (const std::string& level : PathLevels(relative)) {
    std::optional<std::filesystem::path> next = FindInFolder(current, level);
    if (!next) return std::nullopt;
    current = std::move(*next);
  }
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(current, ec);
  if (ec || !std::filesystem::exists(status)) return std::nullopt;
  CdEntry entry;
  entry.path = current;
  entry.isFolder = std::filesystem::is_directory(status);
  if (!entry.isFolder) {
    entry.size = std::filesystem::file_size(current, ec);
    if (ec) entry.size = 0;
  }
  return entry;
}
