#include "PageBuilder.h"

#include <gtest/gtest.h>

namespace qel {
namespace {

const std::string kHead =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"><html><head><title>";
const std::string kAfterHead = "</head><br><body><br>";
const std::string kTail = "</body></html>";

TEST(PageBuilderTest, ExamplePageByteForByte) {
    const std::string page = BuildPageText("Lab", "10", "T1");
    EXPECT_EQ(page,
              "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"><html><head>"
              "<title>Lab</title><br><meta http-equiv=\"refresh\" content=\"10\" ></head><br>"
              "<body><br>T1</body></html>");
    EXPECT_EQ(PageFileBytes(page), page + "\r\n");
}

TEST(PageBuilderTest, NoRefreshElementForZeroEmptyNegativeOrNonNumericText) {
    for (const std::string refresh : {"0", "", "-5", "abc", "  ", "0.0"}) {
        EXPECT_EQ(BuildPageText("Lab", refresh, "T1"),
                  kHead + "Lab</title><br>" + kAfterHead + "T1" + kTail)
            << "refresh text '" << refresh << "'";
    }
}

TEST(PageBuilderTest, RefreshTextIsWrittenAsTyped) {
    EXPECT_EQ(BuildPageText("Lab", "10abc", "T1"),
              kHead + "Lab</title><br><meta http-equiv=\"refresh\" content=\"10abc\" >" +
                  kAfterHead + "T1" + kTail);
    EXPECT_EQ(BuildPageText("Lab", " 0.5", "T1"),
              kHead + "Lab</title><br><meta http-equiv=\"refresh\" content=\" 0.5\" >" +
                  kAfterHead + "T1" + kTail);
}

TEST(PageBuilderTest, NothingIsEscaped) {
    EXPECT_EQ(BuildPageText("a<b & \"c\"", "", "x < y & z"),
              kHead + "a<b & \"c\"</title><br>" + kAfterHead + "x < y & z" + kTail);
}

TEST(PageBuilderTest, TitleKeepsLeadingBlanks) {
    EXPECT_EQ(BuildPageText("  Tank", "", "T1"),
              kHead + "  Tank</title><br>" + kAfterHead + "T1" + kTail);
}

TEST(StripMarkersTest, DropsEverythingUpToTheLastMarker) {
    EXPECT_EQ(StripMarkers("old@@@@new"), "new");
    EXPECT_EQ(StripMarkers("a@@@@b@@@@c"), "c");
    EXPECT_EQ(StripMarkers("plain"), "plain");
    EXPECT_EQ(StripMarkers("tail@@@@"), "");
    EXPECT_EQ(StripMarkers(""), "");
}

TEST(StripMarkersTest, RunsOfAtSignsCountInWholeGroupsFromTheFront) {
    EXPECT_EQ(StripMarkers("a@@@@@b"), "@b");
    EXPECT_EQ(StripMarkers("a@@@@@@@@b"), "b");
    EXPECT_EQ(StripMarkers("a@@@b"), "a@@@b");
}

TEST(StripMarkersTest, MarkerBeyond32KCharacters) {
    const std::string old(40000, 'o');
    EXPECT_EQ(StripMarkers(old + "@@@@new"), "new");
    EXPECT_EQ(StripMarkers("x@@@@" + old), old);
}

TEST(ConvertLineBreaksTest, PutsBrBeforeEachCrLf) {
    EXPECT_EQ(ConvertLineBreaks("line1\r\nline2"), "line1<br>\r\nline2");
    EXPECT_EQ(ConvertLineBreaks("a\r\n\r\nb\r\n"), "a<br>\r\n<br>\r\nb<br>\r\n");
    EXPECT_EQ(ConvertLineBreaks("\r\n"), "<br>\r\n");
}

TEST(ConvertLineBreaksTest, LeavesLoneCrAndLoneLfAlone) {
    EXPECT_EQ(ConvertLineBreaks("a\rb"), "a\rb");
    EXPECT_EQ(ConvertLineBreaks("a\nb"), "a\nb");
    EXPECT_EQ(ConvertLineBreaks("a\n\rb"), "a\n\rb");
    EXPECT_EQ(ConvertLineBreaks("a\r\r\nb"), "a\r<br>\r\nb");
    EXPECT_EQ(ConvertLineBreaks("end\r"), "end\r");
    EXPECT_EQ(ConvertLineBreaks(""), "");
}

TEST(ConvertLineBreaksTest, LineBreakBeyond32KCharacters) {
    const std::string text(40000, 't');
    EXPECT_EQ(ConvertLineBreaks(text + "\r\n" + text), text + "<br>\r\n" + text);
}

TEST(PageBuilderTest, BlockWithOldMarkerAndLineBreaksBecomesThePageBody) {
    const std::string block = StripMarkers("old\r\n@@@@T1\r\nT2");
    EXPECT_EQ(block, "T1\r\nT2");
    EXPECT_EQ(BuildPageText("Lab", "10", ConvertLineBreaks(block)),
              kHead + "Lab</title><br><meta http-equiv=\"refresh\" content=\"10\" >" + kAfterHead +
                  "T1<br>\r\nT2" + kTail);
}

TEST(NormaliseDestPathTest, BeginsAndEndsWithSlash) {
    EXPECT_EQ(NormaliseDestPath(""), "/");
    EXPECT_EQ(NormaliseDestPath("/"), "/");
    EXPECT_EQ(NormaliseDestPath("www"), "/www/");
    EXPECT_EQ(NormaliseDestPath("/www"), "/www/");
    EXPECT_EQ(NormaliseDestPath("www/"), "/www/");
    EXPECT_EQ(NormaliseDestPath("/a/b/"), "/a/b/");
    EXPECT_EQ(NormaliseDestPath(NormaliseDestPath("x")), "/x/");
}

}  // namespace
}  // namespace qel
