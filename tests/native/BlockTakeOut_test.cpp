#include "BlockTakeOut.h"

#include <gtest/gtest.h>

#include "PageBuilder.h"

namespace qel {
namespace {

// One take-out as the timer tick does it: the end-marker case first, then the split case.
std::optional<std::string> TakeOut(std::string& inBuffer) {
    if (auto block = TakeEndMarkerBlock(inBuffer)) {
        return block;
    }
    return TakeSplitBlock(inBuffer);
}

TEST(BlockTakeOutTest, BlockEndingTheBufferEmptiesIt) {
    std::string inBuffer = "abc@@@@";
    EXPECT_EQ(TakeEndMarkerBlock(inBuffer), "abc");
    EXPECT_EQ(inBuffer, "");
}

TEST(BlockTakeOutTest, EndMarkerCaseLeavesABufferWithoutFinalMarkerAlone) {
    std::string inBuffer = "abc@@@@de";
    EXPECT_EQ(TakeEndMarkerBlock(inBuffer), std::nullopt);
    EXPECT_EQ(inBuffer, "abc@@@@de");
}

TEST(BlockTakeOutTest, SplitCaseKeepsTheTextAfterTheMarker) {
    std::string inBuffer = "abc@@@@de";
    EXPECT_EQ(TakeSplitBlock(inBuffer), "abc");
    EXPECT_EQ(inBuffer, "de");
}

TEST(BlockTakeOutTest, NoMarkerTakesNothing) {
    std::string inBuffer = "abc@@@";
    EXPECT_EQ(TakeEndMarkerBlock(inBuffer), std::nullopt);
    EXPECT_EQ(TakeSplitBlock(inBuffer), std::nullopt);
    EXPECT_EQ(inBuffer, "abc@@@");

    std::string empty;
    EXPECT_EQ(TakeEndMarkerBlock(empty), std::nullopt);
    EXPECT_EQ(TakeSplitBlock(empty), std::nullopt);
}

TEST(BlockTakeOutTest, TwoBlocksInOneTickPublishOnlyTheLast) {
    std::string inBuffer = "x@@@@abc@@@@";
    const auto block = TakeEndMarkerBlock(inBuffer);
    ASSERT_EQ(block, "x@@@@abc");
    EXPECT_EQ(inBuffer, "");
    EXPECT_EQ(StripMarkers(*block), "abc");
}

TEST(BlockTakeOutTest, SplitCaseHandlesOnlyTheFirstMarkerPerTick) {
    std::string inBuffer = "ab@@@@cd@@@@ef";
    EXPECT_EQ(TakeOut(inBuffer), "ab");
    EXPECT_EQ(inBuffer, "cd@@@@ef");
    EXPECT_EQ(TakeOut(inBuffer), "cd");
    EXPECT_EQ(inBuffer, "ef");
    EXPECT_EQ(TakeOut(inBuffer), std::nullopt);
    EXPECT_EQ(inBuffer, "ef");
}

TEST(BlockTakeOutTest, MarkerSplitOverTwoAppendsIsFoundInTheSecond) {
    std::string inBuffer = "ab@@";
    EXPECT_EQ(TakeOut(inBuffer), std::nullopt);
    EXPECT_EQ(inBuffer, "ab@@");
    inBuffer += "@@";
    EXPECT_EQ(TakeOut(inBuffer), "ab");
    EXPECT_EQ(inBuffer, "");
}

TEST(BlockTakeOutTest, OneCharacterBlockIsTakenOut) {
    std::string inBuffer = "x@@@@";
    const auto block = TakeOut(inBuffer);
    ASSERT_EQ(block, "x");
    EXPECT_EQ(inBuffer, "");
    EXPECT_LT(block->size(), kMinimumBlockLength);  // shown, but gives no page
}

TEST(BlockTakeOutTest, EmptyBlockIsTakenOut) {
    std::string inBuffer = "@@@@";
    EXPECT_EQ(TakeOut(inBuffer), "");
    EXPECT_EQ(inBuffer, "");
}

TEST(BlockTakeOutTest, MarkerIsComparedExactly) {
    std::string inBuffer = "ab@@ @@cd";
    EXPECT_EQ(TakeOut(inBuffer), std::nullopt);
    std::string fiveAts = "ab@@@@@";
    EXPECT_EQ(TakeEndMarkerBlock(fiveAts), "ab@");
}

TEST(BlockTakeOutTest, MarkerBeyond32KCharactersLosesNothing) {
    const std::string head(40000, 'h');
    std::string inBuffer = head + "@@@@" + "tail";
    EXPECT_EQ(TakeSplitBlock(inBuffer), head);
    EXPECT_EQ(inBuffer, "tail");

    inBuffer = head + "@@@@";
    EXPECT_EQ(TakeEndMarkerBlock(inBuffer), head);
    EXPECT_EQ(inBuffer, "");
}

TEST(BlockTakeOutTest, MultiMegabyteBuffer) {
    std::string first(3'000'000, 'a');
    first[1'234'567] = '\r';
    const std::string second(2'000'000, 'b');
    std::string inBuffer = first + "@@@@" + second + "@@@@" + "rest";
    EXPECT_EQ(TakeOut(inBuffer), first);
    EXPECT_EQ(inBuffer.size(), second.size() + 4 + 4);
    EXPECT_EQ(TakeOut(inBuffer), second);
    EXPECT_EQ(inBuffer, "rest");

    inBuffer = first + "@@@@";
    EXPECT_EQ(TakeOut(inBuffer), first);
    EXPECT_EQ(inBuffer, "");
}

}  // namespace
}  // namespace qel
