#include "SequentialReader.h"

#include <gtest/gtest.h>

namespace qel {
namespace {

void ExpectPastEnd(const std::optional<FileError>& error) {
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, FileError::Kind::EndOfFile);
    EXPECT_EQ(error->description, "Input past end of file");
}

TEST(SequentialReaderTest, LinesEndAtCrWithAnOptionalLf) {
    SequentialReader reader("one\r\ntwo\rthree\r\n");
    EXPECT_EQ(reader.LineInput().value, "one");
    EXPECT_EQ(reader.LineInput().value, "two");
    EXPECT_EQ(reader.LineInput().value, "three");
    EXPECT_TRUE(reader.AtEnd());
    ExpectPastEnd(reader.LineInput().error);
}

TEST(SequentialReaderTest, LoneLfBelongsToTheLine) {
    SequentialReader reader("a\nb\r\nc\n\r\n");
    EXPECT_EQ(reader.LineInput().value, "a\nb");
    EXPECT_EQ(reader.LineInput().value, "c\n");
    ExpectPastEnd(reader.LineInput().error);
}

TEST(SequentialReaderTest, OnlyOneLfAfterTheCrIsSkipped) {
    SequentialReader reader("a\r\n\nb");
    EXPECT_EQ(reader.LineInput().value, "a");
    EXPECT_EQ(reader.LineInput().value, "\nb");
}

TEST(SequentialReaderTest, LastLineMayLackItsLineEnd) {
    SequentialReader reader("one\r\nlast");
    EXPECT_EQ(reader.LineInput().value, "one");
    const auto last = reader.LineInput();
    EXPECT_TRUE(last.Ok());
    EXPECT_EQ(last.value, "last");
    ExpectPastEnd(reader.LineInput().error);
}

TEST(SequentialReaderTest, EmptyLinesReadAsEmptyTexts) {
    SequentialReader reader("\r\n\r\nx");
    EXPECT_EQ(reader.LineInput().value, "");
    EXPECT_EQ(reader.LineInput().value, "");
    EXPECT_EQ(reader.LineInput().value, "x");
}

TEST(SequentialReaderTest, EmptyDataIsPastTheEnd) {
    SequentialReader reader("");
    ExpectPastEnd(reader.LineInput().error);
    ExpectPastEnd(reader.DelimitedField().error);
    const auto number = reader.NumericField();
    ExpectPastEnd(number.error);
    EXPECT_EQ(number.value, 0.0);
}

TEST(SequentialReaderTest, UnquotedFieldEndsAtCommaOrLineEnd) {
    SequentialReader reader("  Lab , x,\r\nnext");
    EXPECT_EQ(reader.DelimitedField().value, "Lab ");  // leading blanks skipped, trailing kept
    EXPECT_EQ(reader.DelimitedField().value, "x");
    EXPECT_EQ(reader.DelimitedField().value, "");  // the empty field before the line end
    EXPECT_EQ(reader.LineInput().value, "next");
}

TEST(SequentialReaderTest, RestOfTheLineAfterACommaIsReadAsTheNextLine) {
    SequentialReader reader("my,lab\r\nindex.html\r\n");
    EXPECT_EQ(reader.DelimitedField().value, "my");
    EXPECT_EQ(reader.LineInput().value, "lab");
    EXPECT_EQ(reader.LineInput().value, "index.html");
}

TEST(SequentialReaderTest, QuotedFieldRunsToTheClosingQuote) {
    SequentialReader reader(" \"a, b\" junk,second\r\n\"x\"\r\nline");
    EXPECT_EQ(reader.DelimitedField().value, "a, b");
    EXPECT_EQ(reader.DelimitedField().value, "second");
    EXPECT_EQ(reader.DelimitedField().value, "x");
    EXPECT_EQ(reader.LineInput().value, "line");
}

TEST(SequentialReaderTest, UnclosedQuoteEndsAtTheLineEnd) {
    SequentialReader reader("\"open, field\r\nnext");
    EXPECT_EQ(reader.DelimitedField().value, "open, field");
    EXPECT_EQ(reader.LineInput().value, "next");
}

TEST(SequentialReaderTest, QuoteInsideAnUnquotedFieldIsKept) {
    SequentialReader reader("a\"b\"c\r\n");
    EXPECT_EQ(reader.DelimitedField().value, "a\"b\"c");
}

TEST(SequentialReaderTest, NumericFieldReadsByTheNumericRules) {
    SequentialReader reader(" 1 \r\n 2 \r\n1 2\r\nabc\r\n300,4");
    EXPECT_EQ(reader.NumericField().value, 1.0);
    EXPECT_EQ(reader.NumericField().value, 2.0);
    EXPECT_EQ(reader.NumericField().value, 12.0);
    EXPECT_EQ(reader.NumericField().value, 0.0);
    EXPECT_EQ(reader.NumericField().value, 300.0);
    EXPECT_EQ(reader.NumericField().value, 4.0);
    ExpectPastEnd(reader.NumericField().error);
}

}  // namespace
}  // namespace qel
