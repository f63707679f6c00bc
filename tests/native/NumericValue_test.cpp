#include "NumericValue.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace qel {
namespace {

TEST(NumericValueTest, ReadsPlainNumbers) {
    EXPECT_EQ(NumericValue("3"), 3.0);
    EXPECT_EQ(NumericValue("-2.5"), -2.5);
    EXPECT_EQ(NumericValue("+4"), 4.0);
    EXPECT_EQ(NumericValue(".5"), 0.5);
    EXPECT_EQ(NumericValue("7."), 7.0);
    EXPECT_EQ(NumericValue("0010"), 10.0);
}

TEST(NumericValueTest, StopsAtTheFirstCharacterThatCannotContinue) {
    EXPECT_EQ(NumericValue("10abc"), 10.0);
    EXPECT_EQ(NumericValue("1.2.3"), 1.2);
    EXPECT_EQ(NumericValue("5-3"), 5.0);
    EXPECT_EQ(NumericValue("12,5"), 12.0);
    EXPECT_EQ(NumericValue("3$"), 3.0);
}

TEST(NumericValueTest, IgnoresBlanksAnywhere) {
    EXPECT_EQ(NumericValue(" 3"), 3.0);
    EXPECT_EQ(NumericValue("1 2"), 12.0);
    EXPECT_EQ(NumericValue("- 5"), -5.0);
    EXPECT_EQ(NumericValue("\t1\t0 "), 10.0);
    EXPECT_EQ(NumericValue("1\r\n2"), 12.0);
    EXPECT_EQ(NumericValue("1 . 5 e 1"), 15.0);
}

TEST(NumericValueTest, GivesZeroWithoutANumber) {
    EXPECT_EQ(NumericValue(""), 0.0);
    EXPECT_EQ(NumericValue("   "), 0.0);
    EXPECT_EQ(NumericValue("abc"), 0.0);
    EXPECT_EQ(NumericValue("-"), 0.0);
    EXPECT_EQ(NumericValue("."), 0.0);
    EXPECT_EQ(NumericValue("e5"), 0.0);
    EXPECT_EQ(NumericValue("--5"), 0.0);
    EXPECT_EQ(NumericValue("x10"), 0.0);
}

TEST(NumericValueTest, ReadsExponentsWithEOrD) {
    EXPECT_EQ(NumericValue("1E3"), 1000.0);
    EXPECT_EQ(NumericValue("1e3"), 1000.0);
    EXPECT_EQ(NumericValue("2D2"), 200.0);
    EXPECT_EQ(NumericValue("2d-1"), 0.2);
    EXPECT_EQ(NumericValue("1.5E+2"), 150.0);
    EXPECT_EQ(NumericValue("1E"), 1.0);
    EXPECT_EQ(NumericValue("1E+"), 1.0);
    EXPECT_EQ(NumericValue("1E2E3"), 100.0);
}

TEST(NumericValueTest, OverflowGivesInfinityAndUnderflowZero) {
    EXPECT_EQ(NumericValue("1E400"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumericValue("-1E400"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumericValue("1E-400"), 0.0);
    EXPECT_EQ(NumericValue("1E99999999999999999999999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumericValue("0E999"), 0.0);
}

TEST(RoundToInt16Test, RoundsHalvesToEven) {
    EXPECT_EQ(RoundToInt16(2.5), 2);
    EXPECT_EQ(RoundToInt16(3.5), 4);
    EXPECT_EQ(RoundToInt16(-2.5), -2);
    EXPECT_EQ(RoundToInt16(-3.5), -4);
    EXPECT_EQ(RoundToInt16(2.4999), 2);
    EXPECT_EQ(RoundToInt16(2.5001), 3);
    EXPECT_EQ(RoundToInt16(0.0), 0);
}

TEST(RoundToInt16Test, RejectsWhatDoesNotFit) {
    EXPECT_EQ(RoundToInt16(32767.0), 32767);
    EXPECT_EQ(RoundToInt16(32767.4), 32767);
    EXPECT_EQ(RoundToInt16(32767.5), std::nullopt);  // rounds to 32768
    EXPECT_EQ(RoundToInt16(-32768.0), -32768);
    EXPECT_EQ(RoundToInt16(-32768.5), -32768);  // the even neighbour
    EXPECT_EQ(RoundToInt16(-32769.0), std::nullopt);
    EXPECT_EQ(RoundToInt16(1e300), std::nullopt);
    EXPECT_EQ(RoundToInt16(std::numeric_limits<double>::infinity()), std::nullopt);
    EXPECT_EQ(RoundToInt16(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(RoundToByteTest, RoundsAndChecksTheRange) {
    EXPECT_EQ(RoundToByte(0.0), 0);
    EXPECT_EQ(RoundToByte(-0.5), 0);
    EXPECT_EQ(RoundToByte(0.5), 0);
    EXPECT_EQ(RoundToByte(1.5), 2);
    EXPECT_EQ(RoundToByte(255.0), 255);
    EXPECT_EQ(RoundToByte(255.5), std::nullopt);
    EXPECT_EQ(RoundToByte(256.0), std::nullopt);
    EXPECT_EQ(RoundToByte(-0.6), std::nullopt);
    EXPECT_EQ(RoundToByte(-1.0), std::nullopt);
}

TEST(GeneralNumberTest, WritesWholeNumbersWithoutAPoint) {
    EXPECT_EQ(GeneralNumber(3.0), "3");
    EXPECT_EQ(GeneralNumber(-2.0), "-2");
    EXPECT_EQ(GeneralNumber(0.0), "0");
    EXPECT_EQ(GeneralNumber(-0.0), "0");
    EXPECT_EQ(GeneralNumber(30.0), "30");
    EXPECT_EQ(GeneralNumber(123456789012345.0), "123456789012345");
}

TEST(GeneralNumberTest, WritesFractionsAndLargeOrSmallNumbers) {
    EXPECT_EQ(GeneralNumber(3.5), "3.5");
    EXPECT_EQ(GeneralNumber(-0.25), "-0.25");
    EXPECT_EQ(GeneralNumber(0.1), "0.1");
    EXPECT_EQ(GeneralNumber(1e15), "1E+15");
    EXPECT_EQ(GeneralNumber(1.5e-5), "1.5E-05");
}

TEST(GeneralNumberTest, MakesThePortNameFromTheTypedText) {
    EXPECT_EQ("COM" + GeneralNumber(NumericValue(" 3")) + ":9600,N,8,1", "COM3:9600,N,8,1");
    EXPECT_EQ("COM" + GeneralNumber(NumericValue("")) + ":9600,N,8,1", "COM0:9600,N,8,1");
}

TEST(NumberWithSignBlankTest, PutsABlankWhereAMinusWouldStand) {
    EXPECT_EQ(NumberWithSignBlank(7), " 7");
    EXPECT_EQ(NumberWithSignBlank(-7), "-7");
    EXPECT_EQ(NumberWithSignBlank(0), " 0");
    EXPECT_EQ(NumberWithSignBlank(255), " 255");
}

}  // namespace
}  // namespace qel
