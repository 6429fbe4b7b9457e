#include "installer/tool/CdTree.h"

#include <string>
#include <system_error>
#include <vector>

#include "installer/tool/Encoding.h"
#include "platform/CString.h"

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
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size();) {
    const bool atEnd = i == path.size();
    const std::size_t len = atEnd ? 1 : CharLengthAt(path, i);
    if (atEnd || (len == 1 && (path[i] == '\\' || path[i] == '/'))) {
      std::string level(path.substr(start, i - start));
      if (level == "..") {
        if (!levels.empty()) levels.pop_back();
      } else if (!level.empty() && level != ".") {
        levels.push_back(std::move(level));
      }
      start = i + 1;
    }
    i += len;
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
