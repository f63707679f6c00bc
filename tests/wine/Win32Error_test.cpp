// Tests of the error descriptions shown on the status line.
#include "Win32Error.h"

#include <gtest/gtest.h>

#include <wininet.h>

namespace {

bool EndsInLineBreak(const std::string& text) {
    return !text.empty() && (text.back() == '\r' || text.back() == '\n');
}

TEST(ErrorDescription, SystemErrorsHaveOneLineTexts) {
    for (DWORD code : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED}) {
        const std::string text = qel::ErrorDescription(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_FALSE(EndsInLineBreak(text)) << code;
        EXPECT_NE(text, "Error " + std::to_string(code)) << "the system has a text for " << code;
    }
}

// Whether or not the system carries texts for them, the common upload failures read as words.
TEST(ErrorDescription, CommonUploadFailuresHaveTexts) {
    for (DWORD code : {ERROR_INTERNET_TIMEOUT, ERROR_INTERNET_EXTENDED_ERROR,
                       ERROR_INTERNET_NAME_NOT_RESOLVED, ERROR_INTERNET_INCORRECT_USER_NAME,
                       ERROR_INTERNET_INCORRECT_PASSWORD, ERROR_INTERNET_LOGIN_FAILURE,
                       ERROR_INTERNET_CANNOT_CONNECT, ERROR_INTERNET_CONNECTION_ABORTED}) {
        const std::string text = qel::ErrorDescription(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_FALSE(EndsInLineBreak(text)) << code;
        EXPECT_EQ(text.rfind("Error ", 0), std::string::npos) << code << ": " << text;
    }
}

TEST(ErrorDescription, UnknownCodesAreNamedByNumber) {
    EXPECT_EQ(qel::ErrorDescription(0x2FFFFFF0), "Error 805306352");
    EXPECT_EQ(qel::ErrorDescription(12198), "Error 12198");
}

}  // namespace
