#include "shell/PathNames.h"

#include <algorithm>

std::size_t NextSeparator(std::string_view path, std::size_t from) {
  for (std::size_t i = from; i < path.size(); i += CharLengthAt(path, i)) {
    if (IsSeparator(path[i])) return i;
  }
  return std::string_view::npos;
}

std::size_t LastSeparator(std::string_view path) {
  std::size_t last = std::string_view::npos;
  for (std::size_t i = NextSeparator(path); i < path.size(); i = NextSeparator(path, i + 1)) last = i;
  return last;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> levels;
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(NextSeparator(path, start), path.size());
    if (end > start) levels.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return levels;
}

bool StartsWithLevels(const std::vector<CString>& path, const std::vector<CString>& prefix) {
  return path.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), path.begin(),
                    [](const CString& a, const CString& b) { return MbsICmp(a.view(), b.view()) == 0; });
}
