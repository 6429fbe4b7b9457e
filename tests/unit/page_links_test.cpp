// Link rewriting of the two known pages: which pages, what is removed, the
// 8,191-byte pieces, line ends, and a page on disk that is never left half
// written.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/PageLinks.h"
#include "platform/memory/MemorySystem.h"
#include "tests/unit/TestSupport.h"

namespace {

TEST(PageLinksTest, PageIsChosenByTheLastSevenBytesOfItsDestination) {
  struct Case {
    const char* destination;
    const char* prefix;  // null: not rewritten
  };
  const Case cases[] = {
      {"C:\\d\\01.html", kProgramLinkPrefix},
      {"C:\\d\\sub\\deeper\\05.html", kUpdateLinkPrefix},
      {"C:\\d\\page01.html", kProgramLinkPrefix},
      {"01.html", kProgramLinkPrefix},
      {"C:\\d\\01.HTML", nullptr},
      {"C:\\d\\01.Html", nullptr},
      {"C:\\d\\01.htm", nullptr},
      {"C:\\d\\1.html", nullptr},
      {"C:\\d\\02.html", nullptr},
      {"C:\\d\\01.html.bak", nullptr},
      {"1.html", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.destination);
    const auto prefix = LinkPrefixFor(c.destination);
    if (c.prefix == nullptr) {
      EXPECT_FALSE(prefix);
    } else {
      ASSERT_TRUE(prefix);
      EXPECT_EQ(*prefix, std::string_view(c.prefix));
    }
  }
}

TEST(PageLinksTest, RewritingRemovesOnlyTheChosenTextAndWritesCrLf) {
  struct Case {
    const char* name;
    const char* prefix;
    std::string page;
    std::string written;
  };
  const Case cases[] = {
      {"program prefix", kProgramLinkPrefix, "<a href=\"../../../program/x.exe\">\n",
       "<a href=\"x.exe\">\r\n"},
      {"program prefix before update/ leaves update/", kProgramLinkPrefix,
       "<a href=\"../../../program/update/y.exe\">\n", "<a href=\"update/y.exe\">\r\n"},
      {"update prefix", kUpdateLinkPrefix, "<a href=\"../../../program/update/y.exe\">\n",
       "<a href=\"y.exe\">\r\n"},
      {"update page keeps the program prefix alone", kUpdateLinkPrefix,
       "<a href=\"../../../program/x.exe\">\n", "<a href=\"../../../program/x.exe\">\r\n"},
      {"twice on a line", kProgramLinkPrefix,
       "<a href=\"../../../program/a\"><a href=\"../../../program/b\">\n", "<a href=\"a\"><a href=\"b\">\r\n"},
      {"back to back", kProgramLinkPrefix, "../../../program/../../../program/z\n", "z\r\n"},
      {"what a removal forms stays", kProgramLinkPrefix, "../../../pro../../../program/gram/x\n",
       "../../../program/x\r\n"},
      {"last line without a line break", kProgramLinkPrefix, "a\n../../../program/b", "a\r\nb"},
      {"CR LF read and written back", kProgramLinkPrefix, "a\r\n../../../program/b\r\n", "a\r\nb\r\n"},
      {"empty page", kProgramLinkPrefix, "", ""},
      {"blank lines", kProgramLinkPrefix, "\n\r\n\n", "\r\n\r\n\r\n"},
      {"Shift-JIS text around a link", kProgramLinkPrefix, "表示ソフト../../../program/表.exe\n",
       "表示ソフト表.exe\r\n"},
      {"a lone CR stays", kProgramLinkPrefix, "a\rb\n", "a\rb\r\n"},
      {"a prefix only partly there stays", kProgramLinkPrefix, "../../../program\n", "../../../program\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RewritePageBytes(c.page, c.prefix), c.written);
  }
}

TEST(PageLinksTest, LongLinesSurviveTheirPieces) {
  // 20,000 bytes before the line feed: read as 8,191 + 8,191 + 3,618 and the LF.
  const std::string line(20000, 'x');
  EXPECT_EQ(RewritePageBytes(line + "\nend", kProgramLinkPrefix), line + "\r\nend");
}

TEST(PageLinksTest, PagesLargerThanTheWriteBufferAreWrittenWhole) {
  // Several hundred kilobytes: the written text is flushed many times over.
  const std::string prefix(kProgramLinkPrefix);
  std::string page;
  std::string expected;
  for (int i = 0; i < 6000; ++i) {
    const std::string n = std::to_string(i);
    page += "<a href=\"" + prefix + "viewer" + n + ".exe\">" + n + "</a>\n";
    expected += "<a href=\"viewer" + n + ".exe\">" + n + "</a>\r\n";
  }
  ASSERT_GT(page.size(), 256u * 1024u);
  EXPECT_EQ(RewritePageBytes(page, prefix), expected);
}

TEST(PageLinksTest, PrefixStraddlingTwoPiecesStaysAndOneInsideAPieceGoes) {
  const std::string prefix = kProgramLinkPrefix;  // 17 bytes
  // Starts 6 bytes before the end of the first piece: split 6 + 11.
  const std::string straddling = std::string(8185, 'a') + prefix + "b";
  EXPECT_EQ(RewritePageBytes(straddling + "\n", prefix), straddling + "\r\n");

  // Ends exactly at the end of the first piece, and wholly in the second.
  const std::string fitting = std::string(8191 - prefix.size(), 'a') + prefix + prefix + "c\n";
  EXPECT_EQ(RewritePageBytes(fitting, prefix), std::string(8191 - prefix.size(), 'a') + "c\r\n");

  // A piece boundary in the middle of a double-byte character does not stop
  // a later prefix in the same piece from going.
  const std::string japanese = std::string(8190, 'a') + "表" + prefix + "d\n";
  EXPECT_EQ(RewritePageBytes(japanese, prefix), std::string(8190, 'a') + "表d\r\n");
}

TEST(PageLinksTest, RemovalIsLeftToRightWithoutOverlap) {
  EXPECT_EQ(RemoveLinkPrefix("../../../program/update/x", kUpdateLinkPrefix), "x");
  EXPECT_EQ(RemoveLinkPrefix("../../../program/../../../program/", kProgramLinkPrefix), "");
  EXPECT_EQ(RemoveLinkPrefix("...../../../program/", kProgramLinkPrefix), "...");
  EXPECT_EQ(RemoveLinkPrefix("no links", kProgramLinkPrefix), "no links");
}

class PageOnDiskTest : public ::testing::Test {
 protected:
  PageOnDiskTest() {
    sys.Drives().Add('C', DRIVE_FIXED);
    sys.Files().AddFile(kPage, kBefore);
  }
  static constexpr char kPage[] = "C:\\site\\01.html";
  static constexpr char kBefore[] = "<a href=\"../../../program/a.exe\">\n";
  static constexpr char kAfter[] = "<a href=\"a.exe\">\r\n";
  MemorySystem sys;
};

TEST_F(PageOnDiskTest, RewrittenPageReplacesThePageAndNothingIsLeftBeside) {
  EXPECT_EQ(RewritePageLinks(sys.Files(), kPage, kProgramLinkPrefix), PageRewrite::Done);
  EXPECT_EQ(sys.Files().Contents(kPage), kAfter);
  EXPECT_EQ(sys.Files().List("C:\\site"), std::vector<CString>{"01.html"});
  EXPECT_EQ(sys.Files().OpenStreams(), 0);
}

TEST_F(PageOnDiskTest, FilesWithTheScratchNameAreLeftAlone) {
  ASSERT_TRUE(sys.Files().AddFile("C:\\site\\01.htm~", "mine"));
  ASSERT_TRUE(sys.Files().AddFile("C:\\site\\01.htm0", "mine too"));
  EXPECT_EQ(RewriteScratchName(sys.Files(), kPage), CString("C:\\site\\01.htm1"));
  EXPECT_EQ(RewritePageLinks(sys.Files(), kPage, kProgramLinkPrefix), PageRewrite::Done);
  EXPECT_EQ(sys.Files().Contents(kPage), kAfter);
  EXPECT_EQ(sys.Files().Contents("C:\\site\\01.htm~"), "mine");
  EXPECT_EQ(sys.Files().Contents("C:\\site\\01.htm0"), "mine too");
  EXPECT_FALSE(sys.Files().Exists("C:\\site\\01.htm1"));

  for (char c : std::string_view("123456789")) {
    ASSERT_TRUE(sys.Files().AddFile(CString("C:\\site\\01.htm") + c, "taken"));
  }
  EXPECT_EQ(RewriteScratchName(sys.Files(), kPage), std::nullopt);
  EXPECT_EQ(RewritePageLinks(sys.Files(), kPage, kProgramLinkPrefix), PageRewrite::CannotWrite);
  EXPECT_EQ(sys.Files().Contents(kPage), kAfter);
}

TEST_F(PageOnDiskTest, FailuresLeaveThePageAsItWasAndNoScratchFile) {
  struct Case {
    const char* name;
    const char* operation;
    DWORD code;
    int onCall;  // 0: the first
    PageRewrite expected;
  };
  const Case cases[] = {
      {"page missing or locked", "OpenFile", ERROR_SHARING_VIOLATION, 0, PageRewrite::CannotRead},
      {"a read fails", "Read", ERROR_NOT_READY, 0, PageRewrite::CannotRead},
      {"scratch file cannot be created", "OpenFile", ERROR_ACCESS_DENIED, 2, PageRewrite::CannotWrite},
      {"disk full while writing", "Write", ERROR_DISK_FULL, 0, PageRewrite::CannotWrite},
      {"replacing the page fails", "MoveFileExA", ERROR_ACCESS_DENIED, 0, PageRewrite::CannotWrite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto& rule = sys.Fail(c.operation, c.code);
    if (c.onCall > 0) rule.OnCall(c.onCall);
    EXPECT_EQ(RewritePageLinks(sys.Files(), kPage, kProgramLinkPrefix), c.expected);
    EXPECT_EQ(rule.Fired(), 1);
    sys.ClearFaults();
    EXPECT_EQ(sys.Files().Contents(kPage), kBefore);
    EXPECT_EQ(sys.Files().List("C:\\site"), std::vector<CString>{"01.html"}) << sys.Dump();
    EXPECT_EQ(sys.Files().OpenStreams(), 0);
  }
}

TEST_F(PageOnDiskTest, LargePageWithAWriteFailingLateKeepsItsCopiedContent) {
  // Several write chunks: the failure comes after much has been written.
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "<a href=\"../../../program/f" + std::to_string(i) + "\">\n";
  ASSERT_TRUE(sys.Files().AddFile(kPage, big));
  sys.Fail("Write", ERROR_DISK_FULL).OnCall(3);
  EXPECT_EQ(RewritePageLinks(sys.Files(), kPage, kProgramLinkPrefix), PageRewrite::CannotWrite);
  sys.ClearFaults();
  EXPECT_EQ(sys.Files().Contents(kPage), big);
  EXPECT_EQ(sys.Files().List("C:\\site"), std::vector<CString>{"01.html"});
}

TEST_F(PageOnDiskTest, PageAtTheLengthLimitIsStillRewritten) {
  // The scratch name is as long as the page's own path, so a page the system
  // accepts can always be rewritten beside itself.
  const CString folder = "C:\\" + CString('s', 240);
  const CString page = folder + "\\" + CString('p', 259 - folder.GetLength() - 1 - 7) + "01.html";
  ASSERT_EQ(page.GetLength(), 259);
  ASSERT_TRUE(sys.Files().AddFile(page, kBefore));
  EXPECT_EQ(RewritePageLinks(sys.Files(), page, kProgramLinkPrefix), PageRewrite::Done) << sys.Dump();
  EXPECT_EQ(sys.Files().Contents(page), kAfter);
}

}  // namespace
