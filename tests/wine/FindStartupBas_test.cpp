// Tests of the shared folder and window helpers against the real system.
#include "FindStartupBas.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>

#include "WinTestSupport.h"

namespace {

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool EndsInExactlyOneBackslash(const std::string& path) {
    return path.size() >= 2 && path.back() == '\\' && path[path.size() - 2] != '\\';
}

TEST(SpecialFolderPath, FoldersTheProgramsAskForEndInOneBackslash) {
    for (int csidl : {CSIDL_APPDATA, CSIDL_COMMON_DOCUMENTS, CSIDL_DESKTOP, CSIDL_DESKTOPDIRECTORY,
                      CSIDL_COMMON_DESKTOPDIRECTORY}) {
        const std::string path = pellucor::SpecialFolderPath(csidl);
        EXPECT_TRUE(EndsInExactlyOneBackslash(path)) << "CSIDL " << csidl << ": " << path;
        EXPECT_EQ(path.find('\0'), std::string::npos) << "CSIDL " << csidl;
    }
}

TEST(SpecialFolderPath, PageFolderChoicesExist) {
    EXPECT_TRUE(IsFolder(pellucor::SpecialFolderPath(CSIDL_APPDATA)));
    EXPECT_TRUE(IsFolder(pellucor::SpecialFolderPath(CSIDL_COMMON_DOCUMENTS)));
}

TEST(SpecialFolderPath, EmptyWhenTheShellHasNoPath) {
    EXPECT_EQ(pellucor::SpecialFolderPath(0x7F), "") << "unknown folder number";
    EXPECT_EQ(pellucor::SpecialFolderPath(-1), "") << "negative folder number";
    EXPECT_EQ(pellucor::SpecialFolderPath(CSIDL_DRIVES), "") << "virtual folder";
}

TEST(FindSystemFolders, BothExistAndEndInOneBackslash) {
    const pellucor::SystemFolders folders = pellucor::FindSystemFolders();
    for (const std::string& folder : {folders.WindowsDir, folders.SystemDir}) {
        EXPECT_TRUE(EndsInExactlyOneBackslash(folder)) << folder;
        EXPECT_TRUE(IsFolder(folder)) << folder;
    }
    EXPECT_EQ(folders.SystemDir.rfind(folders.WindowsDir, 0), 0u) << "system folder inside";
}

class FileExistsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(wintest::WriteBytes(scratch / "plain.txt", "x"));
        ASSERT_TRUE(wintest::WriteBytes(scratch / "hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN));
        ASSERT_TRUE(wintest::WriteBytes(scratch / "system.txt", "x", FILE_ATTRIBUTE_SYSTEM));
        ASSERT_TRUE(wintest::WriteBytes(scratch / "both.dat", "x",
                                        FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
        ASSERT_TRUE(wintest::WriteBytes(scratch / "locked.txt", "x", FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(CreateDirectoryA((scratch / "folder").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((scratch / "only-folders").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA((scratch / "only-folders\\sub").c_str(), nullptr));
    }

    wintest::ScratchFolder scratch;
};

TEST_F(FileExistsTest, AnswersByWhatThePathNames) {
    const struct {
        std::string name;
        bool exists;
    } cases[] = {
        {"plain.txt", true},
        {"hidden.txt", true},
        {"system.txt", true},
        {"both.dat", true},
        {"locked.txt", true},
        {std::string("plain.txt") + '\0', true},  // the trailing NUL is not part of the name
        {std::string("missing.txt") + '\0', false},
        {"folder", false},
        {"folder\\", false},
        {"missing.txt", false},
        {"no-such-folder\\plain.txt", false},
        {"*.txt", true},             // a pattern matching files
        {"only-folders\\*", false},  // a pattern matching only folders
        {"plain.txt\\x", false},
        {"*\\plain.txt", false},  // a name the listing refuses and that does not open either
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pellucor::FileExists(scratch / c.name), c.exists) << "[" << c.name << "]";
    }
}

// The listing refuses a device name, but the device opens: something is there.
TEST(FileExists, ADeviceTheListingRefusesButThatOpensCounts) {
    EXPECT_TRUE(pellucor::FileExists("\\\\.\\NUL"));
}

TEST_F(FileExistsTest, UnusableNamesAreFalse) {
    EXPECT_FALSE(pellucor::FileExists(""));
    EXPECT_FALSE(pellucor::FileExists(std::string(1, '\0')));
    EXPECT_FALSE(pellucor::FileExists(scratch / std::string("plain.txt\0x", 11)));
    EXPECT_FALSE(pellucor::FileExists(scratch / "bad|name.txt"));
    EXPECT_FALSE(pellucor::FileExists(scratch / "bad\"name.txt"));
}

// A window of the given outer size, not shown; destroyed at the end of the test.
class TestWindow {
public:
    TestWindow(int width, int height)
        : window_(CreateWindowExA(0, "STATIC", "centre me", WS_OVERLAPPED | WS_CAPTION, 0, 0, width,
                                  height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr)) {
        // Creation may clamp the size; the test works with what the window really got.
        SetWindowPos(window_, nullptr, 5, 7, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    ~TestWindow() { DestroyWindow(window_); }

    HWND Handle() const { return window_; }
    RECT Rect() const {
        RECT rect{};
        GetWindowRect(window_, &rect);
        return rect;
    }

private:
    HWND window_;
};

TEST(CenterForm, PlacesAWindowInTheMiddleOfTheScreen) {
    TestWindow window(301, 200);
    ASSERT_NE(window.Handle(), nullptr);
    const RECT before = window.Rect();
    pellucor::CenterForm(window.Handle());
    const RECT after = window.Rect();

    const int width = before.right - before.left;
    const int height = before.bottom - before.top;
    EXPECT_EQ(after.right - after.left, width) << "the size is kept";
    EXPECT_EQ(after.bottom - after.top, height);
    EXPECT_NEAR(after.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2.0, 1.0);
    EXPECT_NEAR(after.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2.0, 1.0);
}

TEST(CenterForm, AWindowLargerThanTheScreenGoesToTheTopLeftCorner) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    TestWindow window(screenWidth * 2, screenHeight * 2);
    ASSERT_NE(window.Handle(), nullptr);
    const RECT before = window.Rect();
    ASSERT_GT(before.right - before.left, screenWidth);
    ASSERT_GT(before.bottom - before.top, screenHeight);

    pellucor::CenterForm(window.Handle());
    const RECT after = window.Rect();
    EXPECT_EQ(after.left, 0);
    EXPECT_EQ(after.top, 0);
}

TEST(CenterForm, OnlyTheOversizedDirectionIsClampedToZero) {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    TestWindow window(screenWidth + 200, 100);
    ASSERT_NE(window.Handle(), nullptr);
    const RECT before = window.Rect();
    ASSERT_GT(before.right - before.left, screenWidth);

    pellucor::CenterForm(window.Handle());
    const RECT after = window.Rect();
    EXPECT_EQ(after.left, 0);
    EXPECT_GT(after.top, 0);
}

}  // namespace
