#include "tests/behaviour/BehaviourCases.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>
#include <utility>

namespace cases {

namespace {

bool Write(IFileSystem& files, const CString& path, std::string_view data) {
  auto stream = files.OpenFile(path, FileOpenMode::Write);
  return stream && stream->Write(data.data(), data.size());
}

std::optional<std::string> Read(IFileSystem& files, const CString& path) {
  auto stream = files.OpenFile(path, FileOpenMode::Read);
  if (!stream) return std::nullopt;
  std::string data;
  char buffer[7];  // small on purpose: several reads per file
  for (std::size_t n; (n = stream->Read(buffer, sizeof buffer)) > 0;) data.append(buffer, n);
  return data;
}

// Every entry a search gives, in order ("." and ".." included).
std::vector<FindData> Search(IFileSystem& files, const CString& pattern) {
  std::vector<FindData> found;
  CFindFile find(files);
  for (bool more = find.FindFirst(pattern); more && found.size() < 1000; more = find.FindNext()) {
    found.push_back(find.Entry());
  }
  return found;
}

std::string Listing(const std::vector<FindData>& entries) {
  std::string text;
  for (const FindData& e : entries) {
    char bits[16];
    std::snprintf(bits, sizeof bits, "/0x%X", e.attrib);
    text += '[';
    text += Shown(e.name.view());
    text += bits;
    text += "] ";
  }
  return text;
}

// The attribute bits the cases compare: those the programs look at.
constexpr unsigned kBits = A_RDONLY | A_HIDDEN | A_SUBDIR | A_REPARSE;

// The error a call left if it failed, 0 if it succeeded.
DWORD ErrorOf(IFileSystem& files, bool failed) { return failed ? files.GetLastError() : 0; }

bool IsFolder(IFileSystem& files, const CString& path) {
  const DWORD attributes = files.GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// ---------------------------------------------------------------- files

void CopyKeepsReadOnly(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  const CString source = dir + "\\ro.txt";
  check(Write(files, source, "read-only"), "a file is written");
  check(files.SetFileAttributesA(source, FILE_ATTRIBUTE_READONLY) != 0, "SetFileAttributesA(READONLY)");
  check(files.CopyFileA(source, dir + "\\copy.txt", TRUE) != 0, "CopyFileA to a new name");
  const DWORD copied = files.GetFileAttributesA(dir + "\\copy.txt");
  check(copied != INVALID_FILE_ATTRIBUTES && (copied & FILE_ATTRIBUTE_READONLY) != 0,
        "the copy is read-only as well", "attributes " + std::to_string(copied));
  check(Read(files, dir + "\\copy.txt") == std::optional<std::string>("read-only"), "the copy has the bytes");
  files.SetFileAttributesA(source, FILE_ATTRIBUTE_NORMAL);
  files.SetFileAttributesA(dir + "\\copy.txt", FILE_ATTRIBUTE_NORMAL);
}

void ReadOnlyRefusesCopyAndDelete(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  const CString target = dir + "\\target.txt";
  Write(files, dir + "\\new.txt", "new");
  Write(files, target, "old");
  files.SetFileAttributesA(target, FILE_ATTRIBUTE_READONLY);
  files.SetLastError(0);
  check(files.CopyFileA(dir + "\\new.txt", target, FALSE) == 0, "CopyFileA over a read-only file fails");
  check.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  files.SetLastError(0);
  check(files.OpenFile(target, FileOpenMode::Write) == nullptr,
        "OpenFile(Write) of a read-only file gives no stream");
  check.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  check(b.FileBytes(target) == std::optional<std::string>("old"), "  ... and the file keeps its bytes");
  files.SetLastError(0);
  check(files.DeleteFileA(target) == 0, "DeleteFileA of a read-only file fails");
  check.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  files.SetLastError(0);
  check(files.CopyFileA(dir + "\\new.txt", dir + "\\NEW.TXT", TRUE) == 0, "CopyFileA onto itself fails");
  files.SetLastError(0);
  Write(files, dir + "\\other.txt", "other");
  check(files.CopyFileA(dir + "\\new.txt", dir + "\\other.txt", TRUE) == 0,
        "CopyFileA with failIfExists onto a file fails");
  check.Number(files.GetLastError(), ERROR_FILE_EXISTS, "  ... with ERROR_FILE_EXISTS");
  check(files.SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL) != 0 &&
            (files.GetFileAttributesA(target) & FILE_ATTRIBUTE_READONLY) == 0 &&
            files.DeleteFileA(target) != 0,
        "once writable (FILE_ATTRIBUTE_NORMAL) it can be deleted");
  check.Number(ErrorOf(files, files.DeleteFileA(target) == 0), ERROR_FILE_NOT_FOUND,
               "DeleteFileA of a missing file fails with ERROR_FILE_NOT_FOUND");
}

// Copying without failIfExists, onto nothing and onto each kind of thing that
// can already be there.
void CopyOntoWhatIsThere(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  const CString source = dir + "\\src.txt";
  Write(files, source, "new bytes");
  files.SetFileAttributesA(source, FILE_ATTRIBUTE_READONLY);
  check(files.CopyFileA(source, dir + "\\fresh.txt", FALSE) != 0, "CopyFileA to a new name");
  const DWORD fresh = files.GetFileAttributesA(dir + "\\fresh.txt");
  check(fresh != INVALID_FILE_ATTRIBUTES && (fresh & FILE_ATTRIBUTE_READONLY) != 0, "  ... keeps read-only",
        "attributes " + std::to_string(fresh));
  check(Read(files, dir + "\\fresh.txt") == std::optional<std::string>("new bytes"), "  ... with the bytes");

  Write(files, dir + "\\plain.txt", "old");
  check(files.CopyFileA(source, dir + "\\PLAIN.txt", FALSE) != 0, "CopyFileA over a writable file");
  check(Read(files, dir + "\\plain.txt") == std::optional<std::string>("new bytes"),
        "  ... replaces its bytes");

  Write(files, dir + "\\hidden.txt", "old");
  files.SetFileAttributesA(dir + "\\hidden.txt", FILE_ATTRIBUTE_HIDDEN);
  files.SetLastError(0);
  check(files.CopyFileA(source, dir + "\\hidden.txt", FALSE) == 0, "CopyFileA over a hidden file fails");
  check.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  check(Read(files, dir + "\\hidden.txt") == std::optional<std::string>("old"),
        "  ... and the file keeps its bytes");
  check(files.CopyFileA(dir + "\\hidden.txt", dir + "\\hidden2.txt", FALSE) != 0 &&
            files.CopyFileA(dir + "\\hidden.txt", dir + "\\hidden2.txt", FALSE) != 0 &&
            (files.GetFileAttributesA(dir + "\\hidden2.txt") & FILE_ATTRIBUTE_HIDDEN) != 0,
        "CopyFileA of a hidden file makes a hidden copy, and copies over it");

  check(files.CreateDirectoryA(dir + "\\folder") != 0, "CreateDirectoryA");
  Write(files, dir + "\\self.txt", "self");
  const std::tuple<const char*, const char*, const char*, DWORD> refused[] = {
      {"onto a folder", "\\src.txt", "\\folder", ERROR_ACCESS_DENIED},
      {"of a folder", "\\folder", "\\copy.txt", ERROR_ACCESS_DENIED},
      {"onto itself", "\\self.txt", "\\SELF.TXT", ERROR_SHARING_VIOLATION},
      {"of a missing file", "\\missing.txt", "\\copy.txt", ERROR_FILE_NOT_FOUND},
      {"from a missing folder", "\\none\\src.txt", "\\copy.txt", ERROR_PATH_NOT_FOUND},
      {"into a missing folder", "\\src.txt", "\\none\\copy.txt", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& [what, from, to, error] : refused) {
    check.Number(ErrorOf(files, files.CopyFileA(dir + from, dir + to, FALSE) == 0), error,
                 std::string("CopyFileA ") + what + " fails with error " + std::to_string(error));
  }
  check(IsFolder(files, dir + "\\folder") &&
            files.GetFileAttributesA(dir + "\\copy.txt") == INVALID_FILE_ATTRIBUTES &&
            Read(files, dir + "\\self.txt") == std::optional<std::string>("self"),
        "  ... and change nothing");
  // A destination another handle is writing is in use.
  {
    const std::unique_ptr<IFileStream> open = files.OpenFile(dir + "\\self.txt", FileOpenMode::Write);
    check.Number(
        open != nullptr ? ErrorOf(files, files.CopyFileA(source, dir + "\\self.txt", FALSE) == 0) : 0,
        ERROR_SHARING_VIOLATION, "CopyFileA onto a file open for writing fails with ERROR_SHARING_VIOLATION");
  }

  for (const char* name : {"\\src.txt", "\\fresh.txt", "\\plain.txt", "\\hidden.txt", "\\hidden2.txt"}) {
    files.SetFileAttributesA(dir + name, FILE_ATTRIBUTE_NORMAL);
  }
}

// Bytes go to the disk as they are, whatever they are; a file written again
// keeps only the new bytes.
void FileBytesKept(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  const char raw[] = "line 1\r\nソ表の行\r\n\x00\xFF end";
  const std::string data(raw, sizeof raw - 1);
  const CString file = dir + "\\ソ表.txt";
  check(Write(files, file, data), "OpenFile(Write) writes every byte");
  check(b.FileBytes(file) == std::optional<std::string>(data), "  ... the system keeps them unchanged",
        "got [" + Shown(b.FileBytes(file).value_or("(none)")) + "]");
  check(Read(files, file) == std::optional<std::string>(data), "OpenFile(Read) reads them back in pieces");
  files.SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
  check(Write(files, file, "short") && b.FileBytes(file) == std::optional<std::string>("short"),
        "OpenFile(Write) of an existing file keeps only the new bytes");
  check.Number(files.GetFileAttributesA(file) & (FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY),
               FILE_ATTRIBUTE_ARCHIVE, "  ... and marks it for backup");
  {
    auto reader = files.OpenFile(file, FileOpenMode::Read);
    check(reader != nullptr && !reader->Write("x", 1), "a stream opened for reading does not write");
  }
  files.SetLastError(0);
  check(files.OpenFile(dir + "\\missing.txt", FileOpenMode::Read) == nullptr,
        "OpenFile(Read) of a missing file gives no stream");
  check.Number(files.GetLastError(), ERROR_FILE_NOT_FOUND, "  ... with ERROR_FILE_NOT_FOUND");
  files.SetLastError(0);
  check(files.OpenFile(dir, FileOpenMode::Read) == nullptr, "OpenFile(Read) of a folder gives no stream");
  check.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
}

// MoveFileExA at once: a taken name is replaced only when asked, and another
// spelling of the same name respells the entry in place.
void MovesAtOnce(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  Write(files, dir + "\\a.txt", "a");
  Write(files, dir + "\\b.txt", "b");
  const CString taken = dir + "\\b.txt";
  files.SetLastError(0);
  check(files.MoveFileExA(dir + "\\a.txt", &taken, 0) == 0, "MoveFileExA onto a taken name fails");
  check.Number(files.GetLastError(), ERROR_ALREADY_EXISTS, "  ... with ERROR_ALREADY_EXISTS");
  check(files.MoveFileExA(dir + "\\a.txt", &taken, MOVEFILE_REPLACE_EXISTING) != 0 &&
            b.FileBytes(taken) == std::optional<std::string>("a") && !b.FileBytes(dir + "\\a.txt"),
        "  ... and with MOVEFILE_REPLACE_EXISTING replaces it");
  const CString respelled = dir + "\\B.TXT";
  const bool moved = files.MoveFileExA(taken, &respelled, 0) != 0;
  const std::vector<FindData> found = Search(files, dir + "\\*.txt");
  check(moved && Read(files, respelled) == std::optional<std::string>("a"),
        "a move to another spelling of the name succeeds");
  check.Differs(found.size() == 1 && found[0].name == "B.TXT", "  ... and respells the file", Listing(found),
                "Wine 8 keeps the spelling the file had");
  const DWORD noName = ErrorOf(files, files.MoveFileExA(respelled, nullptr, 0) == 0);
  check.Differs(noName == ERROR_INVALID_PARAMETER && b.FileBytes(respelled),
                "MoveFileExA with no new name and no delay flag fails with ERROR_INVALID_PARAMETER",
                "error " + std::to_string(noName), "Wine 8 deletes the file (DeleteFileW when no new name)");
}

void FolderMustBeEmpty(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  const CString sub = dir + "\\sub";
  check(files.CreateDirectoryA(sub) != 0, "CreateDirectoryA");
  files.SetLastError(0);
  check(files.CreateDirectoryA(sub) == 0, "CreateDirectoryA of an existing folder fails");
  check.Number(files.GetLastError(), ERROR_ALREADY_EXISTS, "  ... with ERROR_ALREADY_EXISTS");
  files.SetLastError(0);
  check(files.CreateDirectoryA(dir + "\\none\\sub") == 0, "CreateDirectoryA below a missing folder fails");
  check.Number(files.GetLastError(), ERROR_PATH_NOT_FOUND, "  ... with ERROR_PATH_NOT_FOUND");
  Write(files, sub + "\\f.txt", "f");
  check.Number(ErrorOf(files, files.CreateDirectoryA(sub + "\\f.txt") == 0), ERROR_ALREADY_EXISTS,
               "CreateDirectoryA of an existing file fails with ERROR_ALREADY_EXISTS");
  check.Number(ErrorOf(files, files.CreateDirectoryA(sub + "\\f.txt\\sub") == 0), ERROR_PATH_NOT_FOUND,
               "CreateDirectoryA below a file fails with ERROR_PATH_NOT_FOUND");
  files.SetLastError(0);
  check(files.RemoveDirectoryA(sub) == 0, "RemoveDirectoryA of a folder that holds a file fails");
  check.Number(files.GetLastError(), ERROR_DIR_NOT_EMPTY, "  ... with ERROR_DIR_NOT_EMPTY");
  files.SetLastError(0);
  check(files.RemoveDirectoryA(sub + "\\f.txt") == 0, "RemoveDirectoryA of a file fails");
  check.Number(files.GetLastError(), ERROR_DIRECTORY, "  ... with ERROR_DIRECTORY");
  files.SetLastError(0);
  check(files.DeleteFileA(sub) == 0, "DeleteFileA of a folder fails");
  check.Number(files.GetLastError(), ERROR_ACCESS_DENIED, "  ... with ERROR_ACCESS_DENIED");
  check(files.DeleteFileA(sub + "\\f.txt") != 0 && files.RemoveDirectoryA(sub) != 0,
        "emptied, it can be removed");
  check.Number(files.GetFileAttributesA(sub), INVALID_FILE_ATTRIBUTES, "  ... and is gone");
  files.SetLastError(0);
  check(files.RemoveDirectoryA(sub) == 0, "RemoveDirectoryA of a missing folder fails");
  check.Number(files.GetLastError(), ERROR_FILE_NOT_FOUND, "  ... with ERROR_FILE_NOT_FOUND");
}

void SearchEntriesAndBits(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  Write(files, dir + "\\b.txt", "b");
  Write(files, dir + "\\A.txt", "a");
  Write(files, dir + "\\ro.dat", "r");
  files.SetFileAttributesA(dir + "\\ro.dat", FILE_ATTRIBUTE_READONLY);
  Write(files, dir + "\\hid", "h");
  files.SetFileAttributesA(dir + "\\hid", FILE_ATTRIBUTE_HIDDEN);
  files.CreateDirectoryA(dir + "\\Sub");
  Write(files, dir + "\\ソ表.txt", "s");
  files.CreateDirectoryA(dir + "\\表サブ");  // ends in the byte 0x5C
  Write(files, dir + "\\表サブ\\inner.txt", "i");
  const std::vector<FindData> all = Search(files, dir + "\\*.*");
  // "." and ".." come first; the order of the rest is the file system's
  // (NTFS sorts by name, Wine gives the Unix directory order): the
  // programs must not depend on it, so it is compared as a set.
  check(all.size() >= 2 && all[0].name == "." && all[1].name == ".." && (all[0].attrib & A_SUBDIR) &&
            (all[1].attrib & A_SUBDIR),
        "a folder's search starts with . and .., both folders", Listing(all));
  std::set<std::pair<std::string, unsigned>> rest;
  for (std::size_t i = 2; i < all.size(); ++i) rest.emplace(all[i].name.str(), all[i].attrib & kBits);
  const std::set<std::pair<std::string, unsigned>> want = {
      {"A.txt", 0},      {"b.txt", 0},    {"ro.dat", A_RDONLY}, {"hid", A_HIDDEN},
      {"Sub", A_SUBDIR}, {"ソ表.txt", 0}, {"表サブ", A_SUBDIR}};
  check(rest == want && all.size() == 9, "  ... then every entry once, named as created, with its bits",
        Listing(all));
  const std::vector<FindData> txt = Search(files, dir + "\\*.TXT");
  check(txt.size() == 3, "a pattern matches names without regard to case", Listing(txt));
  const std::vector<FindData> noExt = Search(files, dir + "\\*.");
  std::set<std::string> noExtNames;
  for (const FindData& e : noExt) noExtNames.insert(e.name.str());
  check.Differs(
      noExtNames == std::set<std::string>{".", "..", "hid", "Sub", "表サブ"},
      "\"*.\" matches the names without a dot", Listing(noExt),
      "Wine 8 matches every name with \"*.\": it does not read the final dot as \"a dot or the end\"");
  FindData entry;
  const std::tuple<const char*, DWORD, const char*> misses[] = {
      {"\\*.none", ERROR_FILE_NOT_FOUND, nullptr},     // no match
      {"\\none\\*.*", ERROR_PATH_NOT_FOUND, nullptr},  // a missing folder
      {"\\b.txt\\*.*", ERROR_DIRECTORY, "Wine 8 answers ERROR_INVALID_NAME"},
      {"\\", ERROR_FILE_NOT_FOUND, nullptr},  // a path ending in a backslash
  };
  for (const auto& [pattern, error, wine] : misses) {
    const INT_PTR found = files.findfirst(dir + pattern, entry);
    const DWORD got = ErrorOf(files, found == -1);
    check.Differs(got == error,
                  "findfirst of <folder>" + std::string(pattern) + " fails with " + std::to_string(error),
                  "got " + std::to_string(got), wine);
    if (found != -1) files.findclose(found);
  }
  const std::vector<FindData> one = Search(files, dir + "\\SUB");
  check(one.size() == 1 && one[0].name == "Sub" && (one[0].attrib & kBits) == A_SUBDIR,
        "a search for one name gives the entry under its own spelling", Listing(one));
  const INT_PTR inner = files.findfirst(dir + "\\表サブ\\*.txt", entry);
  check(inner != -1 && entry.name == "inner.txt" && entry.attrib == A_ARCH,
        "a pattern inside a folder whose name ends in 0x5C", Shown(entry.name.view()));
  check.Number(files.findnext(inner, entry), -1, "findnext at the end gives -1");
  check.Number(files.findnext(inner, entry), -1, "  ... and again");
  check.Number(files.findclose(inner), 0, "findclose gives 0");
  check.Number(files.findclose(inner), -1, "  ... once only");
  check.Number(files.findnext(12345, entry), -1, "findnext on an unknown handle gives -1");
  check.Number(files.GetLastError(), ERROR_INVALID_HANDLE, "  ... with ERROR_INVALID_HANDLE");
  check.Number(files.findclose(12345), -1, "findclose on an unknown handle gives -1");
  files.SetFileAttributesA(dir + "\\ro.dat", FILE_ATTRIBUTE_NORMAL);
}

void TrailingDotsAndSpaces(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  Write(files, dir + "\\f.txt", "f");
  files.CreateDirectoryA(dir + "\\dest");
  check(files.GetFileAttributesA(dir + "\\f.txt.") != INVALID_FILE_ATTRIBUTES,
        "GetFileAttributesA of \"f.txt.\" finds f.txt");
  for (const char* spelling : {"dest.", "dest. .", "DEST  ", "dest..."}) {
    const DWORD attributes = files.GetFileAttributesA(dir + "\\" + spelling);
    check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
          std::string("GetFileAttributesA of \"") + spelling + "\" finds dest");
  }
  const std::vector<FindData> found = Search(files, dir + "\\dest.");
  check(found.size() == 1 && found[0].name == "dest", "a search for \"dest.\" finds dest", Listing(found));
  const std::vector<FindData> spaced = Search(files, dir + "\\f.txt  ");
  check(spaced.size() == 1 && spaced[0].name == "f.txt", "a search for \"f.txt  \" finds f.txt",
        Listing(spaced));
  Write(files, dir + "\\dest\\in.txt", "in");
  check(Read(files, dir + "\\dest.\\in.txt") == std::optional<std::string>("in"),
        "a folder followed by a separator loses one trailing dot: \"dest.\\in.txt\"");
  check(files.GetFileAttributesA(dir + "\\dest..\\in.txt") == INVALID_FILE_ATTRIBUTES &&
            files.GetFileAttributesA(dir + "\\dest \\in.txt") == INVALID_FILE_ATTRIBUTES,
        "  ... but not two, nor a space");
  check(files.CreateDirectoryA(dir + "\\new. ") != 0, "CreateDirectoryA(\"new. \")");
  const std::vector<FindData> made = Search(files, dir + "\\new*");
  check(made.size() == 1 && made[0].name == "new", "  ... creates \"new\"", Listing(made));
  check(files.RemoveDirectoryA(dir + "\\new..") != 0, "RemoveDirectoryA(\"new..\") removes it");
  check(Write(files, dir + "\\g.txt .", "g") && Search(files, dir + "\\g.txt").size() == 1,
        "a file opened for writing as \"g.txt .\" is g.txt");
  check(files.CopyFileA(dir + "\\g.txt.", dir + "\\h.txt ", FALSE) != 0 &&
            Read(files, dir + "\\h.txt") == std::optional<std::string>("g"),
        "CopyFileA drops them on both sides");
  check(files.DeleteFileA(dir + "\\f.txt. ") != 0 &&
            files.GetFileAttributesA(dir + "\\f.txt") == INVALID_FILE_ATTRIBUTES,
        "DeleteFileA(\"f.txt. \") deletes f.txt");
}

void CaseInsensitiveNames(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  Write(files, dir + "\\MixedCase.Txt", "m");
  files.CreateDirectoryA(dir + "\\Folder");
  check(Read(files, dir + "\\mixedcase.txt") == std::optional<std::string>("m"),
        "a file opens under any case of its name");
  files.SetLastError(0);
  check(files.CreateDirectoryA(dir + "\\FOLDER") == 0, "CreateDirectoryA of another case of a folder fails");
  check.Number(files.GetLastError(), ERROR_ALREADY_EXISTS, "  ... with ERROR_ALREADY_EXISTS");
  check(Write(files, dir + "\\MIXEDCASE.TXT", "replaced"), "writing under another case");
  const std::vector<FindData> found = Search(files, dir + "\\mixed*");
  check(found.size() == 1 && found[0].name == "MixedCase.Txt",
        "  ... replaces the file, which keeps the spelling it was created with", Listing(found));
  check(Read(files, dir + "\\MixedCase.Txt") == std::optional<std::string>("replaced"),
        "  ... and its bytes");
  check(files.RemoveDirectoryA(dir + "\\fOlDeR") != 0, "RemoveDirectoryA under another case");
}

void RestartOrder(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  const CString first = dir + "\\first.txt";
  const CString second = dir + "\\second.txt";
  Write(files, first, "1");
  Write(files, second, "2");
  check(files.MoveFileExA(second, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0,
        "a file's deletion is scheduled");
  check(files.MoveFileExA(first, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0, "  ... another's");
  check(files.MoveFileExA(dir, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0, "  ... and the folder's");
  std::vector<std::string> mine;
  const std::string prefix = dir.str() + "\\";
  for (const RestartRead& request : b.RestartRequests()) {
    const std::string path = request.path.str();
    if (path == dir.str() || path.compare(0, prefix.size(), prefix) == 0) {
      mine.push_back((request.newName ? "rename " : "delete ") +
                     path.substr(std::min(path.size(), prefix.size())));
    }
  }
  const std::vector<std::string> want = {"delete second.txt", "delete first.txt", "delete "};
  std::string shown;
  for (const std::string& s : mine) {
    shown += '[';
    shown += Shown(s);
    shown += "] ";
  }
  check(mine == want, "the system keeps them in the order they were asked for", shown);
  check(files.GetFileAttributesA(first) != INVALID_FILE_ATTRIBUTES,
        "  ... and deletes nothing before the restart");
}

// The process's current folder, read back in Shift-JIS and counted in bytes,
// is where relative paths start.
void CurrentFolder(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  CString before;
  files.GetCurrentDirectoryA(261, before);
  Write(files, dir + "\\rel.txt", "relative");
  check(files.SetCurrentDirectoryA(dir) != 0, "SetCurrentDirectoryA");
  CString folder = "unchanged";
  const DWORD length = files.GetCurrentDirectoryA(261, folder);
  check.Bytes(folder, dir.view(), "GetCurrentDirectoryA gives it back");
  check.Number(length, dir.GetLength(), "  ... and its length in bytes");
  CString small = "unchanged";
  check.Number(files.GetCurrentDirectoryA(4, small), dir.GetLength() + 1,
               "GetCurrentDirectoryA with a small buffer gives the size needed");
  check(small == "unchanged", "  ... and leaves the output alone");
  check(Read(files, "rel.txt") == std::optional<std::string>("relative"), "a relative path starts there");
  check(files.SetCurrentDirectoryA(dir + "\\rel.txt") == 0 && files.SetCurrentDirectoryA(dir + "\\none") == 0,
        "SetCurrentDirectoryA to a file or a missing folder fails");
  check(files.GetCurrentDirectoryA(261, folder) == length && folder == dir, "  ... and changes nothing");
  const CString held = dir + "\\held";
  check(files.CreateDirectoryA(held) != 0 && files.SetCurrentDirectoryA(held) != 0,
        "SetCurrentDirectoryA to a new folder");
  check.Number(ErrorOf(files, files.RemoveDirectoryA(held) == 0), ERROR_SHARING_VIOLATION,
               "  ... which RemoveDirectoryA cannot remove while it is current: ERROR_SHARING_VIOLATION");
  check(files.SetCurrentDirectoryA("C:\\") != 0 && files.GetCurrentDirectoryA(261, folder) == 3 &&
            folder == "C:\\",
        "a drive root keeps its backslash");
  files.SetCurrentDirectoryA(before);
  files.SetLastError(1234);
  check.Number(files.GetLastError(), 1234, "SetLastError / GetLastError");
}

void ErrorTexts(Backend& b, const CString&, Checker& check) {
  IFileSystem& files = b.Files();
  for (DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION,
                     ERROR_DISK_FULL, ERROR_DIR_NOT_EMPTY, ERROR_INVALID_NAME}) {
    const CString text = files.FormatMessageA(code);
    const std::string_view v = text.view();
    check(v.size() > 2 && v.substr(v.size() - 2) == "\r\n",
          "FormatMessageA(" + std::to_string(code) + ") is a text ending in CR LF", Shown(v));
  }
  check(files.FormatMessageA(0x2FFFFFFF).IsEmpty(), "FormatMessageA of a code without a text is empty");
}

// ---------------------------------------------------------------- registry

void RegistryValues(Backend& b, const CString&, Checker& check) {
  IRegistry& registry = b.Registry();
  const CString path = b.ScratchKey() + "\\値";
  {
    CRegKey key(registry);
    DWORD disposition = 0;
    check.Number(key.Create(HKEY_CURRENT_USER, path, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &disposition),
                 ERROR_SUCCESS, "RegCreateKeyExA creates a key");
    check.Number(disposition, REG_CREATED_NEW_KEY, "  ... reporting REG_CREATED_NEW_KEY");
    check.Number(key.SetValue("Text", CString("ソ表 text")), ERROR_SUCCESS, "SetValue of a string");
    check.Number(key.SetValue("Expand", CString("%TEMP%\\x"), REG_EXPAND_SZ), ERROR_SUCCESS,
                 "SetValue of an expandable string");
    CStringList list;
    list.AddTail("one");
    list.AddTail("ソ");
    check.Number(key.SetValue("Multi", list), ERROR_SUCCESS, "SetValue of a multi-string");
    const DWORD number = 0x12345678;
    check.Number(key.SetValue("Number", REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number),
                 ERROR_SUCCESS, "SetValue of a REG_DWORD");
    const BYTE binary[] = {0x83, 0x5C, 0x00, 0xFF};
    check.Number(key.SetValue("Binary", REG_BINARY, binary, sizeof binary), ERROR_SUCCESS,
                 "SetValue of REG_BINARY data");
  }
  struct Want {
    const char* name;
    DWORD type;
    std::string bytes;
  };
  const Want wants[] = {
      {"Text", REG_SZ, std::string("ソ表 text", 9) + '\0'},
      {"Expand", REG_EXPAND_SZ, std::string("%TEMP%\\x") + '\0'},
      {"Multi", REG_MULTI_SZ, std::string("one\0ソ\0\0", 8)},
      {"Number", REG_DWORD, std::string("\x78\x56\x34\x12", 4)},
      {"Binary", REG_BINARY, std::string("\x83\x5C\x00\xFF", 4)},
  };
  for (const Want& want : wants) {
    const std::optional<ValueRead> got = b.ReadValue(HKEY_CURRENT_USER, path, want.name);
    check(
        got && got->type == want.type && got->bytes == want.bytes,
        std::string("value ") + want.name + " reads back with its type and every byte, terminators counted",
        got ? "type " + std::to_string(got->type) + " [" + Shown(got->bytes) + "]" : std::string("missing"));
  }
  // The disposition a create reports (0 if it fails).
  const auto created = [&registry](const CString& key) {
    CRegKey made(registry);
    DWORD disposition = 0;
    made.Create(HKEY_CURRENT_USER, key, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &disposition);
    return disposition;
  };
  check.Number(created(path + "\\A\\B"), REG_CREATED_NEW_KEY, "RegCreateKeyExA of two new levels below it");
  check.Number(created(path + "\\a"), REG_OPENED_EXISTING_KEY,
               "  ... made the one on the way: REG_OPENED_EXISTING_KEY, in any case");
  check.Number(created(path + "\\A\\B"), REG_OPENED_EXISTING_KEY,
               "  ... and a second create opens the key: REG_OPENED_EXISTING_KEY");
  {
    CRegKey parent(registry);
    parent.Create(HKEY_CURRENT_USER, b.ScratchKey(), REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS);
    registry.RegDeleteKeyA(parent.get(), "値\\A\\B");
    registry.RegDeleteKeyA(parent.get(), "値\\A");
    check.Number(registry.RegDeleteKeyA(parent.get(), "値"), ERROR_SUCCESS, "RegDeleteKeyA deletes it");
    check.Number(registry.RegDeleteKeyA(parent.get(), "値"), ERROR_FILE_NOT_FOUND,
                 "  ... and a second time finds nothing");
  }
  check(registry.RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, KEY_ALL_ACCESS, nullptr, nullptr) ==
            ERROR_INVALID_PARAMETER,
        "RegCreateKeyExA without a place for the key is refused");
  // A key handle that was closed: the call fails and leaves null behind.
  HKEY closed = nullptr;
  registry.RegCreateKeyExA(HKEY_CURRENT_USER, b.ScratchKey(), 0, KEY_ALL_ACCESS, &closed, nullptr);
  registry.RegCloseKey(closed);
  HKEY result = reinterpret_cast<HKEY>(static_cast<UINT_PTR>(0x10));
  const LONG status = registry.RegCreateKeyExA(closed, "x", 0, KEY_ALL_ACCESS, &result, nullptr);
  check(status != ERROR_SUCCESS && result == nullptr, "a failed RegCreateKeyExA leaves the handle null",
        "status " + std::to_string(status));
  if (status == ERROR_SUCCESS && result != nullptr) registry.RegCloseKey(result);
}

// ---------------------------------------------------------------- shell

void ShortcutFields(Backend& b, const CString& dir, Checker& check) {
  IShell& shell = b.Shell();
  IFileSystem& files = b.Files();
  Write(files, dir + "\\uninst.exe", "MZ");
  CComInit com(shell);
  check(com.Result() == S_OK || com.Result() == S_FALSE, "CoInitialize");
  const CString target = dir + "\\uninst.exe";
  // With an icon file, and without one (SetIconLocation(nullptr)) as the
  // installer saves the shortcut to the content.
  for (const char* icon : {target.c_str(), static_cast<const char*>(nullptr)}) {
    Checker c = check.Prefixed(icon != nullptr ? "with an icon: " : "without an icon: ");
    std::unique_ptr<IShellLinkA> link;
    if (!c.Number(shell.CoCreateShellLink(link), S_OK, "CoCreateShellLink") || !link) return;
    c(link->SetArguments("/x") == S_OK && link->SetDescription("説明") == S_OK &&
          link->SetWorkingDirectory(dir.c_str()) == S_OK && link->SetIconLocation(icon, 1) == S_OK &&
          link->SetPath(target.c_str()) == S_OK,
      "the setters succeed");
    std::unique_ptr<IPersistFile> persist;
    if (!c.Number(link->QueryPersistFile(persist), S_OK, "QueryPersistFile") || !persist) return;
    std::u16string wide;
    const CString file = dir + (icon != nullptr ? "\\UnInstall.lnk" : "\\NoIcon.lnk");
    c(shell.MultiByteToWideChar(file.view(), wide, 260) > 0, "MultiByteToWideChar of the file name");
    c.Number(persist->Save(wide, TRUE), S_OK, "IPersistFile::Save");
    persist.reset();
    link.reset();
    const std::optional<ShortcutRead> read = b.ReadShortcut(file);
    if (!c(read.has_value(), "the shortcut file reads back")) continue;
    c.Bytes(read->target, target.view(), "  ... target");
    c.Bytes(read->workingFolder, dir.view(), "  ... working folder");
    c.Bytes(read->iconPath, icon != nullptr ? target.view() : "", "  ... icon file");
    c.Number(read->iconIndex, 1, "  ... icon index");
    c.Bytes(read->arguments, "/x", "  ... arguments");
    c.Bytes(read->description, "説明", "  ... description");
  }
}

// ---------------------------------------------------------------- device names

void DeviceNames(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  Write(files, dir + "\\f.txt", "data");
  check(files.CopyFileA(dir + "\\f.txt", dir + "\\NUL", FALSE) != 0, "CopyFileA to NUL succeeds");
  check(Write(files, dir + "\\nul.txt", "x"), "writing to nul.txt succeeds");
  const std::optional<std::string> read = Read(files, dir + "\\Nul");
  check(read == std::optional<std::string>(""), "reading from Nul gives no bytes");
  const std::vector<FindData> all = Search(files, dir + "\\*");
  std::set<std::string> names;
  for (const FindData& e : all) names.insert(e.name.str());
  check(names == std::set<std::string>{".", "..", "f.txt"}, "  ... and nothing appears in the folder",
        Listing(all));
  check.Number(files.GetFileAttributesA(dir + "\\con"), FILE_ATTRIBUTE_ARCHIVE,
               "GetFileAttributesA of con reports the device");
  check.Number(files.GetFileAttributesA(dir + "\\LPT1.log"), FILE_ATTRIBUTE_ARCHIVE,
               "  ... so does LPT1.log");
  check(files.GetFileAttributesA(dir + "\\COM0") == INVALID_FILE_ATTRIBUTES, "COM0 is an ordinary name");
  const std::vector<FindData> device = Search(files, dir + "\\NUL.txt");
  check(device.size() == 1 && device[0].name == "NUL" && (device[0].attrib & kBits) == 0,
        "a search for NUL.txt answers with the device NUL", Listing(device));
  files.SetLastError(0);
  check(files.DeleteFileA(dir + "\\nul") == 0, "DeleteFileA of nul fails");
  check.Number(files.GetLastError(), ERROR_INVALID_PARAMETER, "  ... with ERROR_INVALID_PARAMETER");
  files.SetLastError(0);
  check(files.CopyFileA(dir + "\\nul", dir + "\\g.txt", FALSE) == 0, "CopyFileA from nul fails");
  check.Number(files.GetLastError(), ERROR_INVALID_PARAMETER, "  ... with ERROR_INVALID_PARAMETER");
  const CString device2 = dir + "\\aux";
  files.SetLastError(0);
  check(files.MoveFileExA(dir + "\\f.txt", &device2, 0) == 0 &&
            files.GetFileAttributesA(dir + "\\f.txt") != INVALID_FILE_ATTRIBUTES,
        "MoveFileExA onto a device fails and the file stays");
  files.SetLastError(0);
  const bool made = files.CreateDirectoryA(dir + "\\nul") != 0;
  check.Differs(!made, "CreateDirectoryA(nul) fails", "", "Wine reports success and creates nothing");
  check(files.GetFileAttributesA(dir + "\\nul\\x") == INVALID_FILE_ATTRIBUTES, "nothing is found below nul");
}

// ---------------------------------------------------------------- hostile names

void YenSignName(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  // x\..\..\canary is what best-fit narrowing would make of the name: it
  // climbs out of dir\hostile\ into dir's parent. A canary sits there.
  const CString hostile = dir + "\\hostile";
  files.CreateDirectoryA(hostile);
  files.CreateDirectoryA(dir + "\\canary");
  Write(files, dir + "\\canary\\keep.txt", "keep");
  if (!b.PlantYenFolder(hostile)) {
    check.Skip("a folder named with U+00A5", "this backend cannot plant one");
    return;
  }
  const std::vector<FindData> all = Search(files, hostile + "\\*.*");
  const FindData* planted = nullptr;
  for (const FindData& e : all) {
    if (e.name.str() != "." && e.name.str() != "..") planted = &e;
  }
  if (!check(all.size() == 3 && planted != nullptr, "the search lists the planted folder", Listing(all)))
    return;
  check.Bytes(planted->name, "x?..?..?canary", "  ... with '?' where each yen sign stands");
  check.Number(planted->attrib & kBits, A_SUBDIR, "  ... as a folder");
  const CString path = hostile + "\\" + planted->name;
  struct Attempt {
    const char* what;
    bool failed;
  };
  FindData entry;
  const CString moved = dir + "\\moved";
  files.SetLastError(0);
  const Attempt attempts[] = {
      {"GetFileAttributesA", files.GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES},
      {"RemoveDirectoryA", files.RemoveDirectoryA(path) == 0},
      {"DeleteFileA", files.DeleteFileA(path) == 0},
      {"SetFileAttributesA", files.SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) == 0},
      {"DeleteFileA of an entry inside", files.DeleteFileA(path + "\\keep.txt") == 0},
      {"findfirst inside", files.findfirst(path + "\\*.*", entry) == -1},
      {"MoveFileExA", files.MoveFileExA(path, &moved, 0) == 0},
      {"OpenFile", files.OpenFile(path + "\\keep.txt", FileOpenMode::Read) == nullptr},
      {"SetCurrentDirectoryA", files.SetCurrentDirectoryA(path) == 0},
      {"CopyFileA onto it", files.CopyFileA(dir + "\\canary\\keep.txt", path, FALSE) == 0},
  };
  for (const Attempt& attempt : attempts) {
    check(attempt.failed, std::string("  ... ") + attempt.what + " through the name fails");
  }
  files.SetLastError(0);
  files.RemoveDirectoryA(path);
  check.Number(files.GetLastError(), ERROR_INVALID_NAME, "  ... with ERROR_INVALID_NAME");
  check(Read(files, dir + "\\canary\\keep.txt") == std::optional<std::string>("keep"),
        "the folder best fit would have named is untouched");
  files.SetLastError(0);
  check(files.RemoveDirectoryA(hostile) == 0, "the folder holding it cannot be removed");
  check.Number(files.GetLastError(), ERROR_DIR_NOT_EMPTY, "  ... with ERROR_DIR_NOT_EMPTY");
}

void FolderLink(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  const CString target = dir + "\\target";
  const CString link = dir + "\\link";
  files.CreateDirectoryA(target);
  if (!b.PlantLink(link, target)) {
    check.Skip("a folder link", "this backend cannot plant one");
    return;
  }
  Write(files, target + "\\t.txt", "t");
  Write(files, target + "\\gone.txt", "g");
  files.CreateDirectoryA(target + "\\sub");
  const std::vector<FindData> all = Search(files, dir + "\\*.*");
  const FindData* found = nullptr;
  for (const FindData& e : all) {
    if (e.name == "link") found = &e;
  }
  check(found != nullptr && (found->attrib & kBits) == (A_SUBDIR | A_REPARSE),
        "a search lists the link as a folder and a reparse point (0x410)", Listing(all));
  check.Number(files.GetFileAttributesA(link) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
               FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, "GetFileAttributesA of the link");
  std::set<std::string> inside;
  for (const FindData& e : Search(files, link + "\\*.*")) inside.insert(e.name.str());
  check(inside == std::set<std::string>{".", "..", "t.txt", "gone.txt", "sub"},
        "the target's content is seen through the link");
  check(Read(files, link + "\\t.txt") == std::optional<std::string>("t"), "  ... and read through it");
  check(files.CopyFileA(target + "\\t.txt", link + "\\copied.txt", TRUE) != 0 &&
            Read(files, target + "\\copied.txt") == std::optional<std::string>("t"),
        "CopyFileA into the link puts the copy in the target");
  check(files.CreateDirectoryA(link + "\\made") != 0 && IsFolder(files, target + "\\made"),
        "CreateDirectoryA through the link makes the folder in the target");
  check(files.DeleteFileA(link + "\\gone.txt") != 0 &&
            files.GetFileAttributesA(target + "\\gone.txt") == INVALID_FILE_ATTRIBUTES,
        "DeleteFileA through the link deletes the target's file");
  files.SetLastError(0);
  const bool removed = files.RemoveDirectoryA(link) != 0;
  const std::string error = "error " + std::to_string(files.GetLastError());
  if (!check.Differs(removed, "RemoveDirectoryA of the link succeeds though the target is not empty", error,
                     "Wine 8 removes a Unix symbolic link to a folder only when the folder is empty "
                     "(ERROR_DIR_NOT_EMPTY otherwise)")) {
    return;
  }
  check.Number(files.GetFileAttributesA(link), INVALID_FILE_ATTRIBUTES, "  ... the link is gone");
  check(
      Read(files, target + "\\t.txt") == std::optional<std::string>("t") && IsFolder(files, target + "\\sub"),
      "  ... and the target keeps its content");
}

// ---------------------------------------------------------------- handles

// The names of a folder listed through its handle, each with "/" after a
// folder's name.
std::set<std::string> HandleListing(IFileSystem& files, INT_PTR folder) {
  std::vector<FolderEntry> entries;
  std::set<std::string> names;
  if (!files.ListFolderHandle(folder, entries)) return {"(the listing failed)"};
  for (const FolderEntry& e : entries) {
    names.insert(e.name.str() + ((e.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? "/" : ""));
  }
  return names;
}

// Opens name in the folder and returns the error of the attempt (0: opened,
// and the handle is closed again).
DWORD OpenError(IFileSystem& files, INT_PTR folder, const char* name) {
  files.SetLastError(0);
  CEntryHandle entry(files, files.OpenEntryAt(folder, name));
  return entry.IsOpen() ? 0 : files.GetLastError();
}

void EntriesByHandle(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  Write(files, dir + "\\f.txt", "f");
  Write(files, dir + "\\ro.txt", "r");
  files.SetFileAttributesA(dir + "\\ro.txt", FILE_ATTRIBUTE_READONLY);
  files.CreateDirectoryA(dir + "\\sub");
  Write(files, dir + "\\sub\\in.txt", "i");
  files.CreateDirectoryA(dir + "\\empty");
  files.SetLastError(0);
  files.OpenFolderHandle(dir + "\\f.txt");
  check.Number(files.GetLastError(), ERROR_DIRECTORY, "a file is no folder to hold open");

  CEntryHandle top(files, files.OpenFolderHandle(dir));
  if (!check(top.IsOpen(), "OpenFolderHandle of a folder")) return;
  check(HandleListing(files, top.get()) == std::set<std::string>{"f.txt", "ro.txt", "sub/", "empty/"},
        "the folder is listed through its handle");
  const CString moved = dir + "-moved";
  files.SetLastError(0);
  check(files.MoveFileExA(dir, &moved, 0) == 0 && files.GetLastError() == ERROR_SHARING_VIOLATION,
        "the folder held open cannot be renamed", "error " + std::to_string(files.GetLastError()));
  check(files.DeleteByHandle(top.get()) == 0, "the folder held open is not deleted through its own handle");
  {
    // The path the system reaches a folder by, however it was spelled:
    // "." resolved, each name as created.
    CString topPath;
    CString subPath;
    CEntryHandle sub(files, files.OpenFolderHandle(dir + "\\.\\SUB"));
    check(files.GetFinalPathNameByHandleA(top.get(), topPath) != 0 && topPath.view().starts_with("\\\\?\\") &&
              files.GetFinalPathNameByHandleA(sub.get(), subPath) != 0 && subPath == topPath + "\\sub",
          "the final path of a folder", topPath.str() + " / " + subPath.str());
  }
  check.Number(OpenError(files, top.get(), ".."), ERROR_INVALID_NAME, "\"..\" is no entry name");
  check.Number(OpenError(files, top.get(), "sub\\in.txt"), ERROR_INVALID_NAME, "nor is a path");
  check.Number(OpenError(files, top.get(), "missing"), ERROR_FILE_NOT_FOUND, "a missing entry");

  {
    CEntryHandle sub(files, files.OpenEntryAt(top.get(), "sub"));
    check.Number(
        files.GetHandleAttributes(sub.get()) & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
        FILE_ATTRIBUTE_DIRECTORY, "a folder's own handle says folder");
    files.SetLastError(0);
    check(files.DeleteByHandle(sub.get()) == 0 && files.GetLastError() == ERROR_DIR_NOT_EMPTY,
          "a folder that is not empty is not deleted (ERROR_DIR_NOT_EMPTY)",
          "error " + std::to_string(files.GetLastError()));
  }
  {
    // The walk tells an entry replaced since its listing by the number its
    // handle gives, which must be the one the listing gave.
    std::vector<FolderEntry> entries;
    files.ListFolderHandle(top.get(), entries);
    for (const char* name : {"f.txt", "sub"}) {
      const auto listed =
          std::find_if(entries.begin(), entries.end(), [&](const FolderEntry& e) { return e.name == name; });
      CEntryHandle entry(files, files.OpenEntryAt(top.get(), name));
      std::uint64_t id = 0;
      check(listed != entries.end() && listed->fileId != 0 && files.GetHandleFileId(entry.get(), id) != 0 &&
                id == listed->fileId,
            std::string("the handle of ") + name + " gives the number its listing gave");
    }
  }
  {
    CEntryHandle ro(files, files.OpenEntryAt(top.get(), "ro.txt"));
    files.SetLastError(0);
    check(files.DeleteByHandle(ro.get()) == 0 && files.GetLastError() == ERROR_ACCESS_DENIED,
          "a read-only file is not deleted (ERROR_ACCESS_DENIED)",
          "error " + std::to_string(files.GetLastError()));
  }
  {
    CEntryHandle empty(files, files.OpenEntryAt(top.get(), "empty"));
    check(files.DeleteByHandle(empty.get()) != 0 && empty.Close(),
          "an empty folder is deleted through its handle");
  }
  // The entry opened is the one deleted, whatever name it has by then.
  CEntryHandle f(files, files.OpenEntryAt(top.get(), "f.txt"));
  const CString renamed = dir + "\\f2.txt";
  check(f.IsOpen() && files.MoveFileExA(dir + "\\f.txt", &renamed, 0) != 0 &&
            Write(files, dir + "\\f.txt", "new"),
        "an open file is renamed and another takes its name");
  check(files.DeleteByHandle(f.get()) != 0 && f.Close(), "the open file is deleted through its handle");
  const bool renamedGone = files.GetFileAttributesA(dir + "\\f2.txt") == INVALID_FILE_ATTRIBUTES;
  const std::optional<std::string> newcomer = Read(files, dir + "\\f.txt");
  check.Differs(renamedGone && newcomer == std::optional<std::string>("new"),
                "  ... under its new name, and the file now named as it was stays",
                std::string("f2.txt ") + (renamedGone ? "gone" : "still there") + ", f.txt " +
                    (newcomer ? "holds \"" + *newcomer + "\"" : "gone"),
                "Wine 8 deletes nothing when the file was renamed after the open");
  check(HandleListing(files, top.get()).count("ro.txt") == 1 &&
            HandleListing(files, top.get()).count("sub/") == 1,
        "what was not deleted is still listed");
}

void LinkByHandle(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  const CString target = dir + "\\target";
  files.CreateDirectoryA(target);
  if (!b.PlantLink(dir + "\\link", target)) {
    check.Skip("a folder link by handle", "this backend cannot plant one");
    return;
  }
  Write(files, target + "\\t.txt", "t");
  {
    CEntryHandle through(files, files.OpenFolderHandle(dir + "\\link"));
    check(HandleListing(files, through.get()) == std::set<std::string>{"t.txt"},
          "a folder opened by a path through a link is the target");
  }
  CEntryHandle top(files, files.OpenFolderHandle(dir));
  std::vector<FolderEntry> entries;
  files.ListFolderHandle(top.get(), entries);
  DWORD listed = 0;
  for (const FolderEntry& e : entries) {
    if (e.name == "link") listed = e.attributes;
  }
  check.Number(listed & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT),
               FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT, "the listing marks the link (0x410)");
  CEntryHandle link(files, files.OpenEntryAt(top.get(), "link"));
  const DWORD own = files.GetHandleAttributes(link.get());
  check.Differs((own & FILE_ATTRIBUTE_REPARSE_POINT) != 0, "the link's own handle says link", "",
                "Wine 8 follows a Unix symbolic link even with FILE_OPEN_REPARSE_POINT");
  files.DeleteByHandle(link.get());
  link.Close();
  check(Read(files, target + "\\t.txt") == std::optional<std::string>("t"),
        "deleting the link by its handle leaves the target's content");
}

// Writes that go through a held folder's handle only: folders made with
// their owner and access list in the same call, files made new under a
// scratch name and renamed over the old one through the folder.
void WritesThroughHeldFolder(Backend& b, const CString& dir, Checker& check) {
  IFileSystem& files = b.Files();
  Write(files, dir + "\\old.txt", "old");
  Write(files, dir + "\\ro.txt", "ro");
  files.SetFileAttributesA(dir + "\\ro.txt", FILE_ATTRIBUTE_READONLY);
  CEntryHandle top(files, files.OpenFolderHandle(dir));
  if (!check(top.IsOpen(), "the folder is held")) return;
  EntrySecurity held;
  check(files.GetHandleSecurity(top.get(), held) != 0 && !held.owner.empty(),
        "a held folder's owner and access list are read through its handle");

  constexpr char kAdminsOnly[] = "O:BAG:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
  CEntryHandle made(files, files.CreateFolderAt(top.get(), "made", kAdminsOnly));
  if (!check(made.IsOpen(), "a folder is made with its descriptor",
             "error " + std::to_string(files.GetLastError()))) {
    return;
  }
  EntrySecurity security;
  const bool read = files.GetHandleSecurity(made.get(), security) != 0;
  check(read, "its owner and access list are read through its handle");
  check.Differs(read && security.owner == "S-1-5-32-544" && !security.nullDacl,
                "  ... the owner is Administrators, as asked", "owner " + security.owner,
                "Wine 8 keeps no descriptor: the owner is the prefix's user");
  const CString movedAway = dir + "\\made2";
  files.SetLastError(0);
  check(files.MoveFileExA(dir + "\\made", &movedAway, 0) == 0,
        "the folder made is held: it cannot be renamed");
  files.SetLastError(0);
  check(
      files.CreateFolderAt(top.get(), "made", nullptr) == -1 && files.GetLastError() == ERROR_ALREADY_EXISTS,
      "a folder name that is taken is not made again (ERROR_ALREADY_EXISTS)",
      "error " + std::to_string(files.GetLastError()));
  files.SetLastError(0);
  check(files.OpenFolderAt(top.get(), "old.txt") == -1 && files.GetLastError() == ERROR_DIRECTORY,
        "a file is no folder to hold (ERROR_DIRECTORY)", "error " + std::to_string(files.GetLastError()));
  {
    CEntryHandle again(files, files.OpenFolderAt(top.get(), "made"));
    check(again.IsOpen(), "the folder made opens again below its folder");
  }

  files.SetLastError(0);
  check(files.CreateFileAt(top.get(), "old.txt") == -1 && files.GetLastError() == ERROR_ALREADY_EXISTS,
        "a file is made only new: what is there is not opened (ERROR_ALREADY_EXISTS)",
        "error " + std::to_string(files.GetLastError()));
  CEntryHandle scratch(files, files.CreateFileAt(top.get(), "new.tmp"));
  const bool written = scratch.IsOpen() && files.WriteByHandle(scratch.get(), "ne", 2) != 0 &&
                       files.WriteByHandle(scratch.get(), "w", 1) != 0 &&
                       files.SetHandleAttributes(scratch.get(), FILE_ATTRIBUTE_NORMAL) != 0;
  check(written, "a new file is written and its attributes set through its handle");
  DWORD links = 0;
  check(files.GetHandleLinkCount(scratch.get(), links) != 0 && links == 1, "a new file has one name",
        std::to_string(links) + " names");
  files.SetLastError(0);
  check(files.RenameByHandle(scratch.get(), top.get(), "old.txt", FALSE) == 0 &&
            files.GetLastError() == ERROR_ALREADY_EXISTS,
        "renamed without replace onto a taken name: ERROR_ALREADY_EXISTS",
        "error " + std::to_string(files.GetLastError()));
  files.SetLastError(0);
  check(files.RenameByHandle(scratch.get(), top.get(), "ro.txt", TRUE) == 0 &&
            files.GetLastError() == ERROR_ACCESS_DENIED,
        "a read-only file is not replaced (ERROR_ACCESS_DENIED)",
        "error " + std::to_string(files.GetLastError()));
  check(files.RenameByHandle(scratch.get(), top.get(), "old.txt", TRUE) != 0 && scratch.Close(),
        "the new file replaces the old one through the folder");
  check(Read(files, dir + "\\old.txt") == std::optional<std::string>("new") &&
            files.GetFileAttributesA(dir + "\\new.tmp") == INVALID_FILE_ATTRIBUTES,
        "  ... under the old name only");
  DWORD flags = 0;
  check(files.GetHandleVolumeFlags(top.get(), flags) != 0, "the volume's flags are read through a handle");
  check.Differs((flags & 0x8) != 0, "  ... the drive keeps access lists (FILE_PERSISTENT_ACLS)",
                "flags " + std::to_string(flags), "Wine 8 may report a Unix file system without it");
}

// Built on first use: the unit tests ask for the list while static objects
// are being initialised.
const std::vector<Case>& Cases() {
  static const std::vector<Case> cases = {
      {"copy keeps read-only", "copy", CopyKeepsReadOnly},
      {"read-only refuses copy and delete", "readonly", ReadOnlyRefusesCopyAndDelete},
      {"copy onto what is there", "onto", CopyOntoWhatIsThere},
      {"file bytes kept", "bytes", FileBytesKept},
      {"moves at once", "moves", MovesAtOnce},
      {"a folder must be empty to be removed", "empty", FolderMustBeEmpty},
      {"search entries and attribute bits", "search", SearchEntriesAndBits},
      {"trailing dots and spaces", "dots", TrailingDotsAndSpaces},
      {"case-insensitive names", "case", CaseInsensitiveNames},
      {"restart deletion order", "restart", RestartOrder},
      {"the current folder", "current", CurrentFolder},
      {"error texts", "texts", ErrorTexts},
      {"registry value types and byte counts", "registry", RegistryValues},
      {"shortcut fields read back", "shortcut", ShortcutFields},
      {"device names", "devices", DeviceNames},
      {"a name with yen signs", "yen", YenSignName},
      {"a folder link", "link", FolderLink},
      {"entries by handle", "handles", EntriesByHandle},
      {"a folder link by handle", "handlelink", LinkByHandle},
      {"writes through a held folder", "heldwrites", WritesThroughHeldFolder},
  };
  return cases;
}

}  // namespace

std::string Shown(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && u != '\\') {
      out += c;
    } else {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 0xF];
    }
  }
  return out;
}

bool Checker::operator()(bool ok, const std::string& what, const std::string& detail) {
  if (ok) {
    m_report.Pass(m_prefix + what);
  } else {
    m_report.Fail(m_prefix + what, detail);
  }
  return ok;
}

bool Checker::Number(long long got, long long want, const std::string& what) {
  return (*this)(got == want, what, "got " + std::to_string(got) + ", want " + std::to_string(want));
}

bool Checker::Bytes(const CString& got, std::string_view want, const std::string& what) {
  return (*this)(got.view() == want, what, "got [" + Shown(got.view()) + "], want [" + Shown(want) + "]");
}

bool Checker::Differs(bool ok, const std::string& what, const std::string& detail, const char* wineReason) {
  if (!ok && m_wine && wineReason != nullptr) {
    m_report.KnownDifference(m_prefix + what, detail, wineReason);
    return false;
  }
  return (*this)(ok, what, detail);
}

void Checker::Skip(const std::string& what, const std::string& reason) {
  m_report.Skip(m_prefix + what, reason);
}

const std::vector<Case>& AllCases() { return Cases(); }

void RunOne(Backend& backend, const Checker& parent, std::size_t index) {
  const Case& c = Cases().at(index);
  const CString folder = backend.Scratch() + "\\" + c.id;
  Checker check = parent.Prefixed(std::string(c.name) + ": ");
  // A folder prepared beforehand (with what a backend cannot plant itself)
  // is used as it is.
  IFileSystem& files = backend.Files();
  const bool ready = files.CreateDirectoryA(folder) != 0 ||
                     (files.GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES &&
                      (files.GetFileAttributesA(folder) & FILE_ATTRIBUTE_DIRECTORY) != 0);
  if (!check(ready, "its folder is there")) return;
  c.run(backend, folder, check);
}

void RunAll(Backend& backend, const Checker& check) {
  for (std::size_t i = 0; i < Cases().size(); ++i) RunOne(backend, check, i);
}

}  // namespace cases
