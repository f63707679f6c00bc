#include "HostProfile.h"

#include <gtest/gtest.h>

#include "Fakes.h"

namespace qel {
namespace {

const std::string kFolder = "C:\\users\\me\\AppData\\Roaming\\Pellucor\\";

TEST(ScrambleTest, XorsTwoAtOddAndOneAtEvenPositions) {
    EXPECT_EQ(Scramble("abc"), "cca");
    EXPECT_EQ(Scramble(""), "");
    EXPECT_EQ(Scramble("a"), "c");
    EXPECT_EQ(Scramble("00"), "21");
}

TEST(ScrambleTest, TwiceGivesBackTheText) {
    std::string all;
    for (int c = 0; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    EXPECT_EQ(Scramble(all).size(), all.size());
    EXPECT_NE(Scramble(all), all);
    EXPECT_EQ(Scramble(Scramble(all)), all);
    EXPECT_EQ(Scramble(Scramble("ftp.example.com")), "ftp.example.com");
}

TEST(ScrambleTest, WorksOnHighCodes) {
    EXPECT_EQ(Scramble("\xE9\xE9"), "\xEB\xE8");
}

TEST(ProfileHeaderTest, IsFourteenCharacters) {
    EXPECT_EQ(kProfileHeader.size(), 14u);
}

class HostProfileTest : public ::testing::Test {
protected:
    HostProfileTest() {
        state.SettingsFolder = kFolder;
        state.CurrentFile = "Lab";
    }

    std::string ProfilePath(const std::string& name) const { return kFolder + name + ".uci"; }

    void Load(const std::string& bytes) {
        fileSystem.files[ProfilePath(state.CurrentFile)] = bytes;
        LoadHostProfile(state, view, fileSystem);
    }

    // A profile file with the given raw lines, each CR LF ended.
    static std::string Lines(std::initializer_list<std::string> lines) {
        std::string bytes;
        for (const auto& line : lines) {
            bytes += line + "\r\n";
        }
        return bytes;
    }

    ProgramState state;
    FakeMainView view;
    FakeFileSystem fileSystem;
};

TEST_F(HostProfileTest, SavesFiveLinesByteForByte) {
    EXPECT_EQ(SaveHostProfile(fileSystem, kFolder, "Lab", "abc", "ftp", "", "/www/"), std::nullopt);
    EXPECT_EQ(fileSystem.files[ProfilePath("Lab")],
              "Pellucor hosts\r\ncca\r\ndur\r\n\r\n-vuv-\r\n");
    EXPECT_EQ(fileSystem.openOutputFiles, 0);
    EXPECT_EQ(fileSystem.closedPaths, std::vector<std::string>{ProfilePath("Lab")});
}

TEST_F(HostProfileTest, SaveReplacesAnEarlierFile) {
    fileSystem.files[ProfilePath("Lab")] = std::string(500, 'x');
    SaveHostProfile(fileSystem, kFolder, "Lab", "u", "h", "p", "d");
    EXPECT_EQ(fileSystem.files[ProfilePath("Lab")], "Pellucor hosts\r\nw\r\nj\r\nr\r\nf\r\n");
}

TEST_F(HostProfileTest, NameEndingInUciGetsASecondExtension) {
    SaveHostProfile(fileSystem, kFolder, "home.uci", "u", "h", "p", "d");
    EXPECT_TRUE(fileSystem.FileExists(kFolder + "home.uci.uci"));
    EXPECT_FALSE(fileSystem.FileExists(kFolder + "home.uci"));
}

TEST_F(HostProfileTest, SaveReturnsTheOpenError) {
    fileSystem.openErrors[ProfilePath("Lab")] = FakeFileSystem::AccessError();
    const auto error = SaveHostProfile(fileSystem, kFolder, "Lab", "u", "h", "p", "d");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind, FileError::Kind::Access);
    EXPECT_EQ(error->description, "Path/File access error");
}

TEST_F(HostProfileTest, SaveReturnsTheWriteErrorAndKeepsTheOldProfile) {
    for (std::size_t failingWrite = 1; failingWrite <= 5; ++failingWrite) {
        FakeFileSystem failing;
        failing.files[ProfilePath("Lab")] = "older profile";
        failing.writeErrors[ProfilePath("Lab")] = {failingWrite,
                                                   FakeFileSystem::OtherError("Disk full")};
        const auto error = SaveHostProfile(failing, kFolder, "Lab", "u", "h", "p", "d");
        ASSERT_TRUE(error.has_value()) << "write " << failingWrite;
        EXPECT_EQ(error->description, "Disk full");
        EXPECT_EQ(failing.openOutputFiles, 0);
        EXPECT_TRUE(failing.closedPaths.empty());
        EXPECT_EQ(failing.files[ProfilePath("Lab")], "older profile");
    }
}

TEST_F(HostProfileTest, SaveReturnsTheCloseError) {
    fileSystem.closeErrors[ProfilePath("Lab")] = FakeFileSystem::OtherError("Disk full");
    const auto error = SaveHostProfile(fileSystem, kFolder, "Lab", "u", "h", "p", "d");
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->description, "Disk full");
}

TEST_F(HostProfileTest, ReadsBackValuesWithBlanksQuotesAndCommas) {
    const std::string user = " John \"JJ\" Smith, Jr. ";
    const std::string url = "ftp.example.com";
    const std::string password = "p,a \"s\" s,";
    const std::string path = " /my site/pages, old/ ";
    ASSERT_EQ(SaveHostProfile(fileSystem, kFolder, "Lab", user, url, password, path), std::nullopt);

    LoadHostProfile(state, view, fileSystem);

    EXPECT_EQ(state.UserName, user);
    EXPECT_EQ(state.DestURL, url);
    EXPECT_EQ(state.Password, password);
    EXPECT_EQ(state.DestPath, path);  // not normalised by the loader
    EXPECT_TRUE(view.statusHistory.empty());
    EXPECT_EQ(state.CurrentFile, "Lab");
}

TEST_F(HostProfileTest, EmptyValuesGiveEmptyLinesAndReadBackEmpty) {
    state.UserName = "old";
    state.DestURL = "old";
    state.Password = "old";
    state.DestPath = "old";
    SaveHostProfile(fileSystem, kFolder, "Lab", "", "", "", "");
    EXPECT_EQ(fileSystem.files[ProfilePath("Lab")], "Pellucor hosts\r\n\r\n\r\n\r\n\r\n");
    LoadHostProfile(state, view, fileSystem);
    EXPECT_EQ(state.UserName, "");
    EXPECT_EQ(state.DestURL, "");
    EXPECT_EQ(state.Password, "");
    EXPECT_EQ(state.DestPath, "");
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(HostProfileTest, LoadsInTheOrderUserNameUrlPasswordPath) {
    Load(Lines({"anything at all", Scramble("user"), Scramble("host"), Scramble("secret"),
                Scramble("dir")}));
    EXPECT_EQ(state.UserName, "user");
    EXPECT_EQ(state.DestURL, "host");
    EXPECT_EQ(state.Password, "secret");
    EXPECT_EQ(state.DestPath, "dir");
}

TEST_F(HostProfileTest, HeaderIsNotChecked) {
    Load(Lines({"", Scramble("u"), Scramble("h"), Scramble("p"), Scramble("d")}));
    EXPECT_EQ(state.UserName, "u");
    EXPECT_EQ(state.DestPath, "d");
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(HostProfileTest, ExtraLinesAreIgnoredAndTheLastMayLackItsLineEnd) {
    Load(Lines({"h", Scramble("u"), Scramble("h"), Scramble("p"), Scramble("d"), "extra", "more"}));
    EXPECT_EQ(state.DestPath, "d");
    EXPECT_TRUE(view.statusHistory.empty());

    Load("h\r\n" + Scramble("u") + "\r\n" + Scramble("h") + "\r\n" + Scramble("p") + "\r\n" +
         Scramble("d2"));
    EXPECT_EQ(state.DestPath, "d2");
    EXPECT_TRUE(view.statusHistory.empty());
}

TEST_F(HostProfileTest, FourLineFileKeepsThePreviousPath) {
    state.DestPath = "/previous/";
    Load(Lines({"Pellucor hosts", Scramble("u"), Scramble("h"), Scramble("p")}));
    EXPECT_EQ(state.UserName, "u");
    EXPECT_EQ(state.DestURL, "h");
    EXPECT_EQ(state.Password, "p");
    EXPECT_EQ(state.DestPath, "/previous/");
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Input past end of file loading path string", StatusColour::Failure));
    EXPECT_EQ(view.statusHistory.size(), 1u);
}

TEST_F(HostProfileTest, ShortFilesNameTheFailingStep) {
    struct Case {
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"", "Input past end of file loading user name"},
        {"Pellucor hosts\r\n", "Input past end of file loading user name"},
        {Lines({"Pellucor hosts", "u"}), "Input past end of file loading destination URL"},
        {Lines({"Pellucor hosts", "u", "h"}), "Input past end of file loading password"},
    };
    for (const Case& c : cases) {
        ProgramState fresh;
        fresh.SettingsFolder = kFolder;
        fresh.CurrentFile = "Lab";
        fresh.DestURL = "oldUrl";
        fresh.Password = "oldPassword";
        fresh.DestPath = "oldPath";
        FakeMainView freshView;
        fileSystem.files[ProfilePath("Lab")] = c.bytes;
        LoadHostProfile(fresh, freshView, fileSystem);
        EXPECT_EQ(freshView.LastStatus(), StatusMessage(c.message, StatusColour::Failure));
        EXPECT_EQ(fresh.DestPath, "oldPath");
        EXPECT_EQ(fresh.Password, "oldPassword");
    }
}

TEST_F(HostProfileTest, ValuesBeforeTheFailureAreKept) {
    state.Password = "oldPassword";
    Load(Lines({"Pellucor hosts", Scramble("user"), Scramble("host")}));
    EXPECT_EQ(state.UserName, "user");
    EXPECT_EQ(state.DestURL, "host");
    EXPECT_EQ(state.Password, "oldPassword");
}

TEST_F(HostProfileTest, EmptyCurrentFileDoesNothing) {
    state.CurrentFile = "";
    state.UserName = "keep";
    LoadHostProfile(state, view, fileSystem);
    EXPECT_EQ(state.UserName, "keep");
    EXPECT_TRUE(view.statusHistory.empty());
    EXPECT_TRUE(fileSystem.readPaths.empty());
}

TEST_F(HostProfileTest, MissingFileIsReported) {
    state.UserName = "keep";
    LoadHostProfile(state, view, fileSystem);
    EXPECT_EQ(view.LastStatus(), StatusMessage("Lab file not found", StatusColour::Failure));
    EXPECT_EQ(state.UserName, "keep");
    EXPECT_EQ(fileSystem.pausedMs, 0u) << "an absent file is not waited for";
}

TEST_F(HostProfileTest, UnreadableFileIsReportedWithItsName) {
    fileSystem.readErrors[ProfilePath("Lab")] = FakeFileSystem::OtherError("Permission denied");
    Load(Lines({"Pellucor hosts", "u", "h", "p", "d"}));
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Permission denied opening Lab", StatusColour::Failure));
    EXPECT_EQ(state.UserName, "");
}

TEST_F(HostProfileTest, LoaderNeverWritesTheFile) {
    Load(Lines({"Pellucor hosts", "u", "h", "p", "d"}));
    EXPECT_TRUE(fileSystem.openedForOutput.empty());
}

}  // namespace
}  // namespace qel
