#include "installer/tool/InstallListTool.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string_view>
#include <tuple>

#include "installer/tool/CdTree.h"
#include "installer/tool/Encoding.h"
#include "platform/TextFile.h"
#include "shell/PathNames.h"

namespace install_list_tool {
namespace {

constexpr std::string_view kUsage =
    "usage: install-list preview [--drive L] [--dest D] [--encoding sjis|utf8] FILE\n"
    "       install-list check [--drive L] [--dest D] [--encoding sjis|utf8] CDROOT\n"
    "\n"
    "preview  prints how the installer maps each entry of the install list FILE:\n"
    "         number, kind (blank, folder, file, copy-as, outside), then the folder\n"
    "         to create and the new prefix, or the source and the destination;\n"
    "         \"unsafe\" marks an entry that would write outside the destination.\n"
    "check    reads CDROOT/install.dat and reports every entry that would make the\n"
    "         installation fail, every name on the CD without a Shift-JIS form,\n"
    "         and names likely authoring mistakes (a folder line without a\n"
    "         backslash after '*'); exits 1 if there is any, 0 otherwise.\n"
    "\n"
    "--drive L           CD drive letter (default Q)\n"
    "--dest D            destination folder (default C:\\Program Files\\Harborlit\\Drama1)\n"
    "--encoding utf8     arguments and output in UTF-8 (default)\n"
    "--encoding sjis     arguments and output as the installer's Shift-JIS bytes\n";

// The longest path the installer's ANSI file functions accept, in characters.
constexpr std::size_t kMaxPathChars = 259;

// The bytes of a file on the Linux file system, read through the same text
// stream the installer uses.
class StdioFileStream : public IFileStream {
 public:
  explicit StdioFileStream(std::FILE* file) : m_file(file) {}
  std::size_t Read(char* buffer, std::size_t n) override { return std::fread(buffer, 1, n, m_file.get()); }
  bool Write(const char*, std::size_t) override { return false; }

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> m_file;
};

std::optional<InstallList> ReadListFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  CTextFile text(std::make_unique<StdioFileStream>(file), FileOpenMode::Read);
  return ReadInstallList(text);
}

std::string Show(const CString& text, Encoding encoding) {
  return encoding == Encoding::Utf8 ? Cp932ToUtf8(text.view()) : text.str();
}

std::size_t CharCount(std::string_view s) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < s.size(); i += CharLengthAt(s, i)) ++count;
  return count;
}

// The last level of a path: what follows its last separator (by characters).
std::string_view LastLevel(std::string_view path) {
  const std::size_t separator = LastSeparator(path);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

// A character Windows does not allow in a file or folder name (separators
// aside); double-byte characters are always allowed.
bool HasForbiddenCharacter(std::string_view relative) {
  for (std::size_t i = 0; i < relative.size(); i += CharLengthAt(relative, i)) {
    if (CharLengthAt(relative, i) == 2) continue;
    const auto c = static_cast<unsigned char>(relative[i]);
    if (c < 0x20 || std::string_view("<>:\"|?*").find(static_cast<char>(c)) != std::string_view::npos) {
      return true;
    }
  }
  return false;
}

// A folder as Windows identifies it: its levels, letters in lower case.
std::string FolderKey(std::string_view path) {
  std::string key;
  for (const std::string& level : PathLevels(path)) {
    if (!key.empty()) key += '\\';
    CString lower(level);
    key += lower.MakeLower().str();
  }
  return key;
}

std::string ParentKey(const std::string& key) {
  const std::size_t cut = LastSeparator(key);
  return cut == std::string::npos ? std::string() : key.substr(0, cut);
}

// The folders that exist on the target while the list is carried out: the
// destination with its ancestors, then every folder the list creates.
class FolderModel {
 public:
  explicit FolderModel(const CString& dest) {
    for (std::string key = FolderKey(dest.view()); !key.empty(); key = ParentKey(key)) m_folders.insert(key);
  }
  bool Exists(const std::string& key) const { return m_folders.count(key) > 0; }
  void Add(const std::string& key) { m_folders.insert(key); }

 private:
  std::set<std::string> m_folders;
};

// Adds a problem to the entry's line.
class ProblemLine {
 public:
  void Add(const std::string& text) {
    if (!m_text.empty()) m_text += "; ";
    m_text += text;
  }
  bool empty() const { return m_text.empty(); }
  const std::string& text() const { return m_text; }

 private:
  std::string m_text;
};

void CheckFolder(const InstallAction& action, const Options& options, FolderModel& folders,
                 ProblemLine& problems) {
  if (action.folder.IsEmpty()) return;
  const std::string shown = Show(action.folder, options.encoding);
  if (action.unsafe) {
    problems.Add("folder outside the destination folder: " + shown);
    return;
  }
  const std::string key = FolderKey(action.folder.view());
  if (!folders.Exists(ParentKey(key))) {
    problems.Add("parent folder does not exist: " + shown);
    return;
  }
  folders.Add(key);
}

void CheckCopy(const InstallAction& action, const CCdTree& cd, const Options& options,
               const FolderModel& folders, ProblemLine& problems, CheckResult& result) {
  const std::string source = Show(action.source, options.encoding);
  const std::string destination = Show(action.destination, options.encoding);
  const CString driveRoot = options.drive + ":\\";

  if (options.drive.IsEmpty()) {
    problems.Add("no drive letter: " + source);
  } else if (!action.source.view().starts_with(driveRoot.view())) {
    problems.Add("source is not on the CD: " + source);
  } else if (CharCount(action.source.view()) > kMaxPathChars) {
    problems.Add("source path too long: " + source);
  } else {
    const std::optional<CdEntry> found = cd.Find(action.source.view().substr(driveRoot.view().size()));
    if (!found) {
      problems.Add("source not found: " + source);
    } else if (found->isFolder) {
      problems.Add("source is a folder: " + source);
    } else {
      ++result.files;
      result.bytes += found->size;
    }
  }

  if (action.unsafe) {
    problems.Add("destination outside the destination folder: " + destination);
    return;
  }
  const std::string_view name = LastLevel(action.destination.view());
  const std::string_view relative = action.destination.view().substr(
      std::min(action.destination.view().size(), options.dest.view().size() + 1));
  if (name.empty() || name == "." || name == "..") {
    problems.Add("no destination file name: " + destination);
  } else if (HasForbiddenCharacter(relative)) {
    problems.Add("character not allowed in a file name: " + destination);
  } else if (CharCount(action.destination.view()) > kMaxPathChars) {
    problems.Add("destination path too long: " + destination);
  } else if (!folders.Exists(ParentKey(FolderKey(action.destination.view())))) {
    problems.Add("destination folder does not exist: " + destination);
  }
}

struct Parsed {
  std::string command;
  std::string target;
  Options options;
};

// Parses the command line; an empty command after a message on err means a
// usage error.
std::optional<Parsed> Parse(const std::vector<std::string>& args, std::ostream& err) {
  Parsed parsed;
  if (args.empty()) {
    err << kUsage;
    return std::nullopt;
  }
  parsed.command = args[0];
  if (parsed.command != "preview" && parsed.command != "check") {
    err << "install-list: unknown command '" << parsed.command << "'\n" << kUsage;
    return std::nullopt;
  }
  std::optional<std::string> drive;
  std::optional<std::string> dest;
  bool haveTarget = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> value;
    if (arg.starts_with("--")) {
      const std::size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg.resize(eq);
      }
      if (arg != "--drive" && arg != "--dest" && arg != "--encoding") {
        err << "install-list: unknown option '" << arg << "'\n" << kUsage;
        return std::nullopt;
      }
      if (!value) {
        if (i + 1 == args.size()) {
          err << "install-list: option " << arg << " needs a value\n";
          return std::nullopt;
        }
        value = args[++i];
      }
      if (arg == "--drive") {
        drive = *value;
      } else if (arg == "--dest") {
        dest = *value;
      } else if (*value == "utf8") {
        parsed.options.encoding = Encoding::Utf8;
      } else if (*value == "sjis") {
        parsed.options.encoding = Encoding::ShiftJis;
      } else {
        err << "install-list: --encoding takes sjis or utf8, not '" << *value << "'\n";
        return std::nullopt;
      }
    } else if (haveTarget) {
      err << "install-list: more than one " << (parsed.command == "check" ? "CDROOT" : "FILE") << " given\n";
      return std::nullopt;
    } else {
      parsed.target = arg;
      haveTarget = true;
    }
  }
  if (!haveTarget) {
    err << "install-list: " << (parsed.command == "check" ? "CDROOT" : "FILE") << " missing\n" << kUsage;
    return std::nullopt;
  }
  // Arguments come in the output's encoding; the installer's strings are Shift-JIS.
  for (auto [given, slot, name] : {std::tuple{&drive, &parsed.options.drive, "--drive"},
                                   std::tuple{&dest, &parsed.options.dest, "--dest"}}) {
    if (!*given) continue;
    if (parsed.options.encoding == Encoding::ShiftJis) {
      *slot = CString(**given);
      continue;
    }
    const std::optional<std::string> sjis = Utf8ToCp932(**given);
    if (!sjis) {
      err << "install-list: " << name << " is not UTF-8 text that Shift-JIS can hold\n";
      return std::nullopt;
    }
    *slot = CString(*sjis);
  }
  return parsed;
}

}  // namespace

void Preview(const InstallList& list, const Options& options, std::ostream& out) {
  CString prefix;
  int number = 0;
  for (const CString& entry : list) {
    const InstallAction action = MapInstallEntry(entry, options.drive, options.dest, prefix);
    out << ++number << '\t' << InstallEntryKindName(action.kind);
    switch (action.kind) {
      case InstallEntryKind::Blank: break;
      case InstallEntryKind::Folder:
        out << '\t' << Show(action.folder, options.encoding) << '\t' << Show(action.prefix, options.encoding);
        break;
      case InstallEntryKind::File:
      case InstallEntryKind::CopyAs:
      case InstallEntryKind::Outside:
        out << '\t' << Show(action.source, options.encoding) << '\t'
            << Show(action.destination, options.encoding);
        break;
    }
    if (action.unsafe) out << "\tunsafe";
    out << '\n';
    prefix = action.prefix;
  }
}

CheckResult Check(const InstallList& list, const std::string& cdRoot, const Options& options,
                  std::ostream& out) {
  CheckResult result;
  const CCdTree cd(cdRoot);
  FolderModel folders(options.dest);
  CString prefix;
  int number = 0;
  for (const CString& entry : list) {
    ++number;
    const InstallAction action = MapInstallEntry(entry, options.drive, options.dest, prefix);
    prefix = action.prefix;
    ProblemLine problems;
    if (action.kind == InstallEntryKind::Folder) {
      CheckFolder(action, options, folders, problems);
    } else if (action.kind != InstallEntryKind::Blank) {
      CheckCopy(action, cd, options, folders, problems, result);
    }
    if (!problems.empty()) {
      ++result.problems;
      out << number << ": " << problems.text() << '\n';
    }
    // The cause, named apart from what it makes fail (this line and the
    // files below the prefix it sets).
    if (action.glued) {
      ++result.mistakes;
      out << number << ": likely authoring mistake: folder line without a backslash after '*'\n";
    }
  }
  out << "checked " << list.GetCount() << " entries: " << result.files << " files, " << result.bytes
      << " bytes to copy; ";
  if (result.problems == 0) {
    out << "no problems\n";
  } else {
    out << result.problems << (result.problems == 1 ? " entry" : " entries")
        << " would make the installation fail";
    if (result.mistakes > 0) {
      out << ", " << result.mistakes
          << (result.mistakes == 1 ? " likely authoring mistake" : " likely authoring mistakes");
    }
    out << '\n';
  }
  return result;
}

std::vector<std::string> NamesWithoutShiftJis(const std::string& cdRoot) {
  std::vector<std::string> names;
  std::error_code ec;
  const std::filesystem::path root(cdRoot);
  for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    // Exact: converted back, the Shift-JIS form gives the same name (a yen
    // sign, say, would come back as a backslash).
    const std::string name = it->path().filename().string();
    const std::optional<std::string> sjis = Utf8ToCp932(name);
    if (!sjis || Cp932ToUtf8(*sjis) != name) {
      names.push_back(it->path().lexically_relative(root).generic_string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  const std::optional<Parsed> parsed = Parse(args, err);
  if (!parsed) return 2;

  if (parsed->command == "preview") {
    const std::optional<InstallList> list = ReadListFile(parsed->target);
    if (!list) {
      err << "install-list: cannot read " << parsed->target << '\n';
      return 2;
    }
    Preview(*list, parsed->options, out);
    return 0;
  }

  std::error_code ec;
  if (!std::filesystem::is_directory(parsed->target, ec)) {
    err << "install-list: " << parsed->target << " is not a folder\n";
    return 2;
  }
  const std::optional<CdEntry> installDat = CCdTree(parsed->target).Find("install.dat");
  const std::optional<InstallList> list =
      installDat && !installDat->isFolder ? ReadListFile(installDat->path) : std::nullopt;
  if (!list) {
    err << "install-list: cannot read install.dat in " << parsed->target << '\n';
    return 2;
  }
  const int problems = Check(*list, parsed->target, parsed->options, out).problems;
  const std::vector<std::string> unnamed = NamesWithoutShiftJis(parsed->target);
  for (const std::string& name : unnamed) {
    // The Linux name as it is: in Shift-JIS output it has no other form.
    out << "name without a Shift-JIS form: " << name << '\n';
  }
  if (!unnamed.empty()) {
    out << unnamed.size() << (unnamed.size() == 1 ? " name" : " names")
        << " on the CD that the installer cannot use\n";
  }
  return problems > 0 || !unnamed.empty() ? 1 : 0;
}

}  // namespace install_list_tool
