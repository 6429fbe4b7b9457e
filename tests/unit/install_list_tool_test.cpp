#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "installer/tool/CdTree.h"
#include "installer/tool/Encoding.h"
#include "installer/tool/InstallListTool.h"
#include "tests/unit/TestSupport.h"

namespace {

namespace fs = std::filesystem;

// UTF-8 spellings, written as bytes because narrow literals are Shift-JIS here.
const std::string kUtf8So = "\xE3\x82\xBD";   // ソ
const std::string kUtf8Hyo = "\xE8\xA1\xA8";  // 表

// A fresh folder below the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (fs::temp_directory_path() / "install-list-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) m_path = pattern;
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ec;
    if (!m_path.empty()) fs::remove_all(m_path, ec);
  }
  const fs::path& path() const { return m_path; }

  // Writes bytes to a file below the folder, creating its folders.
  void Write(const std::string& relative, const std::string& bytes) const {
    const fs::path file = m_path / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
  }

 private:
  fs::path m_path;
};

struct RunResult {
  int code;
  std::string out;
  std::string err;
};

RunResult RunTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int code = install_list_tool::Run(args, out, err);
  return {code, out.str(), err.str()};
}

TEST(InstallListToolTest, EncodingConversions) {
  EXPECT_EQ(Cp932ToUtf8("\x83\x5C\x95\x5C\\a"), kUtf8So + kUtf8Hyo + "\\a");
  // Bytes that are not code page 932 become U+FFFD, the rest is kept.
  EXPECT_EQ(Cp932ToUtf8("a\x80z"), "a\xEF\xBF\xBDz");
  EXPECT_EQ(Cp932ToUtf8("a\x83"), "a\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToCp932(kUtf8So + "x"), std::optional<std::string>("\x83\x5Cx"));
  EXPECT_FALSE(Utf8ToCp932("\xFF").has_value());
  EXPECT_FALSE(Utf8ToCp932("\xF0\x9F\x98\x80").has_value());  // no emoji in code page 932
}

TEST(InstallListToolTest, CdTreeFindsPathsAsWindowsWould) {
  TempFolder cd;
  ASSERT_FALSE(cd.path().empty());
  cd.Write("HTML/Images/Top.JPG", "12345");
  cd.Write("HTML/" + kUtf8So + ".html", "ab");
  cd.Write("program/viewer.exe", "x");
  const CCdTree tree(cd.path());

  struct Case {
    std::string path;  // Shift-JIS, as the installer builds it
    bool found;
    bool isFolder;
    std::uintmax_t size;
  };
  const std::vector<Case> cases = {
      {"HTML\\Images\\Top.JPG", true, false, 5},
      {"html\\images\\top.jpg", true, false, 5},
      {"HTML/images/TOP.jpg", true, false, 5},
      {"HTML\\\\images\\.\\top.jpg", true, false, 5},
      {"HTML\\x\\..\\images\\top.jpg", true, false, 5},
      {"..\\..\\HTML\\images\\top.jpg", true, false, 5},  // ".." stops at the root
      {"HTML\\images", true, true, 0},
      {"HTML\\\x83\x5C.html", true, false, 2},
      {"HTML\\\x83", false, false, 0},  // the trail byte of ソ is no separator
      {"HTML\\images\\top.jpg\\x", false, false, 0},
      {"HTML\\missing.html", false, false, 0},
      {"program\\viewer.exe", true, false, 1},
  };
  for (const auto& c : cases) {
    const auto entry = tree.Find(c.path);
    ASSERT_EQ(entry.has_value(), c.found) << c.path;
    if (entry) {
      EXPECT_EQ(entry->isFolder, c.isFolder) << c.path;
      EXPECT_EQ(entry->size, c.size) << c.path;
    }
  }
}

TEST(InstallListToolTest, PreviewPrintsEveryEntry) {
  TempFolder dir;
  dir.Write("list.dat",
            "index.html\r\n*\\images\r\n\x83\x5C.jpg\r\ntitle.jpg\tlogo.jpg\r\n"
            "..\\program\\setup.exe\r\n*\r\n\r\nsub\\..\\..\\x.dll");
  const std::string list = (dir.path() / "list.dat").string();

  const RunResult utf8 = RunTool({"preview", list});
  EXPECT_EQ(utf8.code, 0);
  EXPECT_EQ(utf8.err, "");
  EXPECT_EQ(
      utf8.out,
      "1\tfile\tQ:\\HTML\\index.html\tC:\\Program Files\\Harborlit\\Drama1\\index.html\n"
      "2\tfolder\tC:\\Program Files\\Harborlit\\Drama1\\images\timages\\\n"
      "3\tfile\tQ:\\HTML\\images\\" +
          kUtf8So + ".jpg\tC:\\Program Files\\Harborlit\\Drama1\\images\\" + kUtf8So +
          ".jpg\n"
          "4\tcopy-as\tQ:\\HTML\\images\\title.jpg\tC:\\Program Files\\Harborlit\\Drama1\\images\\logo.jpg\n"
          "5\toutside\tQ:\\program\\setup.exe\tC:\\Program Files\\Harborlit\\Drama1\\images\\setup.exe\n"
          "6\tfolder\t\t\n"
          "7\tblank\n"
          "8\tfile\tQ:\\HTML\\sub\\..\\..\\x.dll\tC:\\Program "
          "Files\\Harborlit\\Drama1\\sub\\..\\..\\x.dll\tunsafe\n");

  // Arguments and output in the installer's own bytes.
  const RunResult sjis =
      RunTool({"preview", "--encoding", "sjis", "--drive", "E", "--dest=D:\\\x95\x5C", list});
  EXPECT_EQ(sjis.code, 0);
  std::istringstream lines(sjis.out);
  std::string first, second, third;
  std::getline(lines, first);
  std::getline(lines, second);
  std::getline(lines, third);
  EXPECT_EQ(first, "1\tfile\tE:\\HTML\\index.html\tD:\\\x95\x5C\\index.html");
  EXPECT_EQ(third, "3\tfile\tE:\\HTML\\images\\\x83\x5C.jpg\tD:\\\x95\x5C\\images\\\x83\x5C.jpg");

  // UTF-8 arguments are converted for the mapping and back for the output.
  const RunResult utf8Dest = RunTool({"preview", "--dest", "D:\\" + kUtf8Hyo, list});
  EXPECT_NE(utf8Dest.out.find("\tD:\\" + kUtf8Hyo + "\\index.html\n"), std::string::npos) << utf8Dest.out;
}

TEST(InstallListToolTest, CheckReportsEntriesThatWouldFail) {
  TempFolder cd;
  cd.Write("HTML/index.html", "1234");
  cd.Write("HTML/images/top.jpg", "12");
  cd.Write("HTML/sub/page.html", "1");
  cd.Write("program/setup.exe", "123");
  cd.Write("INSTALL.DAT",
           "index.html\r\n"              // 1 fine
           "missing.html\r\n"            // 2 source missing
           "*\\images\r\n"               // 3 fine
           "TOP.JPG\r\n"                 // 4 fine, found without case
           "top.jpg\t\r\n"               // 5 fine: the tab is trimmed away
           "top.jpg\tsub\\\r\n"          // 6 no name
           "top.jpg\ta?b.jpg\r\n"        // 7 forbidden character
           "..\\program\\setup.exe\r\n"  // 8 fine
           "..\\readme.txt\r\n"          // 9 no name, and no such source
           "*\\a\\b\r\n"                 // 10 parent missing
           "*\r\n"                       // 11 fine
           "sub\\page.html\r\n"          // 12 destination folder missing
           "x\\..\\..\\evil.dll\r\n"     // 13 unsafe (and missing)
           "*\\..\\out\r\n"              // 14 folder outside
           "*\r\n"                       // 15 fine
           "images\r\n"                  // 16 source is a folder
           "*\\images\\icons\r\n");      // 17 fine
  const RunResult r = RunTool({"check", cd.path().string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "");
  const std::string d = "C:\\Program Files\\Harborlit\\Drama1";
  EXPECT_EQ(
      r.out,
      "2: source not found: Q:\\HTML\\missing.html\n"
      "6: no destination file name: " +
          d +
          "\\images\\sub\\\n"
          "7: character not allowed in a file name: " +
          d +
          "\\images\\a?b.jpg\n"
          "9: source not found: Q:\\readme.txt; no destination file name: " +
          d +
          "\\images\\\n"
          "10: parent folder does not exist: " +
          d +
          "\\a\\b\n"
          "12: destination folder does not exist: " +
          d +
          "\\sub\\page.html\n"
          "13: source not found: Q:\\HTML\\x\\..\\..\\evil.dll; destination outside the destination "
          "folder: " +
          d +
          "\\x\\..\\..\\evil.dll\n"
          "14: folder outside the destination folder: " +
          d +
          "\\..\\out\n"
          "16: source is a folder: Q:\\HTML\\images\n"
          "checked 17 entries: 7 files, 16 bytes to copy; 9 entries would make the installation fail\n");
}

TEST(InstallListToolTest, GluedFolderLineIsNamedApartFromTheFailuresItCauses) {
  TempFolder cd;
  cd.Write("HTML/images/top.jpg", "12");
  cd.Write("HTML/index.html", "1");
  cd.Write("install.dat",
           "*images\r\n"   // 1 glued: a folder beside the destination
           "top.jpg\r\n"   // 2 its prefix "mages\\" names no folder
           "*/images\r\n"  // 3 a slash separates as a backslash does: fine
           "top.jpg\r\n"   // 4 fine
           "*\r\n"
           "index.html\r\n");
  const std::string d = "C:\\Program Files\\Harborlit\\Drama1";
  const RunResult r = RunTool({"check", cd.path().string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "1: folder outside the destination folder: " + d +
                "images\n"
                "1: likely authoring mistake: folder line without a backslash after '*'\n"
                "2: source not found: Q:\\HTML\\mages\\top.jpg; destination folder does not exist: " +
                d +
                "\\mages\\top.jpg\n"
                "checked 6 entries: 2 files, 3 bytes to copy; 2 entries would make the installation fail, "
                "1 likely authoring mistake\n");

  // preview marks the glued line unsafe; the files below it stay inside.
  const RunResult p = RunTool({"preview", (cd.path() / "install.dat").string()});
  EXPECT_EQ(p.code, 0);
  std::istringstream lines(p.out);
  std::string first, second;
  std::getline(lines, first);
  std::getline(lines, second);
  EXPECT_EQ(first, "1\tfolder\t" + d + "images\tmages\\\tunsafe");
  EXPECT_EQ(second, "2\tfile\tQ:\\HTML\\mages\\top.jpg\t" + d + "\\mages\\top.jpg");
}

TEST(InstallListToolTest, CheckReportsAMissingDriveAndPathsTooLong) {
  TempFolder cd;
  const std::string longName(250, 'n');
  cd.Write("HTML/index.html", "1");
  cd.Write("HTML/" + longName + ".html", "1");
  cd.Write("install.dat",
           "index.html\r\n" + longName + ".html\r\n" + "index.html\t" + longName + ".html\r\n");
  const std::string d = "C:\\Program Files\\Harborlit\\Drama1";

  // Without a drive letter no source is on the CD.
  const RunResult noDrive = RunTool({"check", "--drive=", cd.path().string()});
  EXPECT_EQ(noDrive.code, 1);
  EXPECT_EQ(noDrive.out.substr(0, noDrive.out.find('\n')), "1: no drive letter: :\\HTML\\index.html");

  // 259 characters are the most a path may hold: Q:\HTML\ and the long name
  // are 267, the destination's folder and the long name 290.
  const RunResult tooLong = RunTool({"check", cd.path().string()});
  EXPECT_EQ(tooLong.code, 1);
  EXPECT_EQ(tooLong.out,
            "2: source path too long: Q:\\HTML\\" + longName + ".html; destination path too long: " + d +
                "\\" + longName +
                ".html\n"
                "3: destination path too long: " +
                d + "\\" + longName +
                ".html\n"
                "checked 3 entries: 2 files, 2 bytes to copy; 2 entries would make the installation fail\n");
}

TEST(InstallListToolTest, HelpPrintsTheUsage) {
  for (const char* flag : {"--help", "-h"}) {
    const RunResult r = RunTool({flag});
    EXPECT_EQ(r.code, 0) << flag;
    EXPECT_EQ(r.out.rfind("usage: install-list preview", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "") << flag;
  }
}

TEST(InstallListToolTest, CheckReportsNamesWithoutAShiftJisForm) {
  TempFolder cd;
  cd.Write("install.dat", "index.html\r\n");
  cd.Write("HTML/index.html", "1");
  cd.Write("HTML/" + kUtf8So + "/" + kUtf8Hyo + ".html", "2");  // both have a form
  cd.Write("HTML/caf\xC3\xA9.html", "3");                       // é: none
  cd.Write("HTML/x\xC2\xA5y/a.txt", "4");                       // ¥ would come back as '\'
  cd.Write("bad\xFF.txt", "5");                                 // not UTF-8 at all
  const RunResult r = RunTool({"check", cd.path().string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out,
            "checked 1 entries: 1 files, 1 bytes to copy; no problems\n"
            "name without a Shift-JIS form: HTML/caf\xC3\xA9.html\n"
            "name without a Shift-JIS form: HTML/x\xC2\xA5y\n"
            "name without a Shift-JIS form: bad\xFF.txt\n"
            "3 names on the CD that the installer cannot use\n");
}

TEST(InstallListToolTest, SampleCdPassesItsCheck) {
  const RunResult r = RunTool({"check", std::string(DRAMA_SOURCE_DIR) + "/sample-cd"});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("; no problems\n"), std::string::npos) << r.out;
}

TEST(InstallListToolTest, UsageErrorsExitWithTwo) {
  TempFolder dir;
  dir.Write("list.dat", "a\r\n");
  const std::string list = (dir.path() / "list.dat").string();
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{}, "usage:"},
      {{"show", list}, "unknown command 'show'"},
      {{"preview"}, "FILE missing"},
      {{"check"}, "CDROOT missing"},
      {{"preview", "--verbose", list}, "unknown option '--verbose'"},
      {{"preview", list, "--drive"}, "option --drive needs a value"},
      {{"preview", "--encoding", "latin1", list}, "--encoding takes sjis or utf8"},
      {{"preview", list, list}, "more than one FILE"},
      {{"preview", "--dest", "\xFF", list}, "--dest is not UTF-8 text"},
      {{"preview", (dir.path() / "none.dat").string()}, "cannot read"},
      {{"preview", dir.path().string()}, "cannot read"},
      {{"check", list}, "is not a folder"},
      {{"check", dir.path().string()}, "cannot read install.dat"},
  };
  for (const auto& c : cases) {
    const RunResult r = RunTool(c.args);
    EXPECT_EQ(r.code, 2) << c.message;
    EXPECT_EQ(r.out, "") << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
