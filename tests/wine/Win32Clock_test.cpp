// Tests of the local date and time texts.
#include "Win32Clock.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace {

bool HasDigit(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

TEST(Win32Clock, DateAndTimeAreCleanTextsWithDigits) {
    qel::Win32Clock clock;
    for (const std::string& text : {clock.ShortDate(), clock.LongTime()}) {
        EXPECT_TRUE(HasDigit(text)) << text;
        EXPECT_EQ(text.find('\0'), std::string::npos) << "no NUL carried over from the buffer";
    }
}

TEST(Win32Clock, ShortDateShowsTheCurrentYear) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const std::string year = std::to_string(now.wYear);
    const std::string date = qel::Win32Clock().ShortDate();
    // Short formats write the year with four digits or with its last two.
    EXPECT_TRUE(date.find(year) != std::string::npos ||
                date.find(year.substr(2)) != std::string::npos)
        << date;
}

}  // namespace
