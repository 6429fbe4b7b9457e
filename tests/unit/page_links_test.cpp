// Link rewriting of the two known pages: which pages, what is removed, the
// 8,191-byte pieces, line ends, and a page on disk that is never left half
// written.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "installer/HeldWrites.h"
#include "installer/PageLinks.h"
#include "tests/memory/MemorySystem.h"
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
       "<a href=\"../../../program/a\"><a href=\"../../../program/b\">\n",
       "<a href=\"a\"><a href=\"b\">\r\n"},
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
    sys.Files().AddFile(kSource, kBefore);
    sys.Files().AddFolder("C:\\site");
  }
  // The page rewritten from kSource into a new file in C:\site named out.
  PageRewrite RewriteInto(const CString& out) {
    CEntryHandle site(sys.Files(), sys.Files().OpenFolderHandle("C:\\site"));
    CEntryHandle file(sys.Files(), sys.Files().CreateFileAt(site.get(), out));
    return RewritePage(sys.Files(), kSource, file.get(), kProgramLinkPrefix);
  }
  // The page written as C:\site\01.html through a held tree, as the copy does.
  HeldWrite WritePage(const CString& page = kPage) {
    HeldTree held(sys.Files());
    if (!held.Hold("C:\\site")) return HeldWrite::Refused;
    return held.WriteFile(page, [this](INT_PTR file) {
      return RewritePage(sys.Files(), kSource, file, kProgramLinkPrefix) == PageRewrite::Done;
    });
  }
  static constexpr char kSource[] = "C:\\cd\\01.html";
  static constexpr char kPage[] = "C:\\site\\01.html";
  static constexpr char kBefore[] = "<a href=\"../../../program/a.exe\">\n";
  static constexpr char kAfter[] = "<a href=\"a.exe\">\r\n";
  MemorySystem sys;
};

TEST_F(PageOnDiskTest, RewrittenPageIsWrittenThroughTheHandleFromItsSource) {
  EXPECT_EQ(RewriteInto("out"), PageRewrite::Done);
  EXPECT_EQ(sys.Files().Contents("C:\\site\\out"), kAfter);
  EXPECT_EQ(sys.Files().Contents(kSource), kBefore);
  EXPECT_EQ(sys.Files().OpenStreams(), 0);
}

TEST_F(PageOnDiskTest, FilesWithTheScratchNamesAreLeftAlone) {
  ASSERT_TRUE(sys.Files().AddFile("C:\\site\\~inst0.tmp", "mine"));
  ASSERT_TRUE(sys.Files().AddFolder("C:\\site\\~inst1.tmp"));
  EXPECT_EQ(WritePage(), HeldWrite::Done);
  EXPECT_EQ(sys.Files().Contents(kPage), kAfter);
  EXPECT_EQ(sys.Files().Contents("C:\\site\\~inst0.tmp"), "mine");
  EXPECT_EQ(sys.Files().List("C:\\site"), (std::vector<CString>{"01.html", "~inst0.tmp", "~inst1.tmp"}));

  for (char c : std::string_view("23456789")) {
    ASSERT_TRUE(sys.Files().AddFile(CString("C:\\site\\~inst") + c + ".tmp", "taken"));
  }
  ASSERT_TRUE(sys.Files().AddFile(kPage, "as it was"));
  EXPECT_EQ(WritePage(), HeldWrite::NotWritten);
  EXPECT_EQ(sys.Files().Contents(kPage), "as it was");
}

TEST_F(PageOnDiskTest, FailuresLeaveNothingHalfWrittenAndNoStreamOpen) {
  struct Case {
    const char* name;
    const char* operation;
    DWORD code;
    PageRewrite expected;
  };
  const Case cases[] = {
      {"page missing or locked", "OpenFile", ERROR_SHARING_VIOLATION, PageRewrite::NoSource},
      {"a read fails", "Read", ERROR_NOT_READY, PageRewrite::CannotRead},
      {"disk full while writing", "WriteByHandle", ERROR_DISK_FULL, PageRewrite::CannotWrite},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto& rule = sys.Fail(c.operation, c.code);
    EXPECT_EQ(RewriteInto("out"), c.expected);
    EXPECT_EQ(rule.Fired(), 1);
    sys.ClearFaults();
    EXPECT_EQ(sys.Files().OpenStreams(), 0);
    // Through the tree, the page is never put in place.
    ASSERT_TRUE(sys.Files().AddFile(kPage, "as it was"));
    sys.Fail(c.operation, c.code);
    EXPECT_EQ(WritePage(), HeldWrite::NotFilled);
    sys.ClearFaults();
    EXPECT_EQ(sys.Files().Contents(kPage), "as it was");
    EXPECT_FALSE(sys.Files().Exists("C:\\site\\~inst0.tmp")) << sys.Dump();
    ASSERT_EQ(sys.Files().UserDelete("C:\\site\\out"), 0u);
  }
}

TEST_F(PageOnDiskTest, LargePageWithAWriteFailingLateIsNeverPutInPlace) {
  // Several write chunks: the failure comes after much has been written.
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "<a href=\"../../../program/f" + std::to_string(i) + "\">\n";
  ASSERT_TRUE(sys.Files().AddFile(kSource, big));
  ASSERT_TRUE(sys.Files().AddFile(kPage, "as it was"));
  sys.Fail("WriteByHandle", ERROR_DISK_FULL).OnCall(3);
  EXPECT_EQ(WritePage(), HeldWrite::NotFilled);
  sys.ClearFaults();
  EXPECT_EQ(sys.Files().Contents(kPage), "as it was");
  EXPECT_EQ(sys.Files().List("C:\\site"), std::vector<CString>{"01.html"});
}

TEST_F(PageOnDiskTest, PageAtTheLengthLimitIsStillWritten) {
  // The scratch name is made in the page's held folder, whatever the
  // length of its path.
  const CString folder = "C:\\site\\" + CString('s', 235);
  const CString page = folder + "\\" + CString('p', 259 - folder.GetLength() - 1 - 7) + "01.html";
  ASSERT_EQ(page.GetLength(), 259);
  ASSERT_TRUE(sys.Files().AddFolder(folder));
  EXPECT_EQ(WritePage(page), HeldWrite::Done) << sys.Dump();
  EXPECT_EQ(sys.Files().Contents(page), kAfter);
}

}  // namespace
