// Tests of the file operations: byte-exact writes and reads, and the error kinds the page
// builder acts on.
#include "Win32FileSystem.h"

#include <gtest/gtest.h>

#include "UserFolders.h"
#include "WinTestSupport.h"

namespace {

using qel::FileError;
using Kind = qel::FileError::Kind;

class Win32FileSystemTest : public ::testing::Test {
protected:
    // Writes the pieces one Write each and closes; the first error, if any.
    std::optional<FileError> WritePieces(const std::string& path,
                                         std::initializer_list<std::string> pieces) {
        FileError error;
        auto file = files.OpenForOutput(path, error);
        if (!file) {
            return error;
        }
        for (const std::string& piece : pieces) {
            if (auto failed = file->Write(piece)) {
                return failed;
            }
        }
        return file->Close();
    }

    qel::Win32FileSystem files;
    wintest::ScratchFolder scratch;
};

TEST_F(Win32FileSystemTest, WritesAndReadsEveryByteUnchanged) {
    const std::string bytes = wintest::AllByteValues();
    const std::string path = scratch / "page.html";
    ASSERT_EQ(WritePieces(path, {bytes.substr(0, 100), "", bytes.substr(100)}), std::nullopt);

    EXPECT_EQ(wintest::ReadBytes(path), bytes) << "on disk";
    FileError error;
    EXPECT_EQ(files.ReadAll(path, error), bytes) << "through ReadAll";
}

// In a folder named with letters outside the code page (1252), files keep their own names;
// names from ANSI texts are converted from the code page, and paths shown go back into it.
TEST_F(Win32FileSystemTest, NamesInAnyLettersAndTheCodePageOfTexts) {
    const std::string folder = scratch / (std::string(qeltest::kNameOutsideAnyCodePage) + "\\");
    ASSERT_TRUE(CreateDirectoryW(pellucor::Wide(folder).c_str(), nullptr));
    ASSERT_EQ(WritePieces(folder + "Żółć.uci", {"bytes"}), std::nullopt);
    ASSERT_EQ(files.Rename(folder + "Żółć.uci", folder + "Жуков.uci"), std::nullopt);
    EXPECT_EQ(files.ListFiles(folder + "*.uci"), std::vector<std::string>{"Жуков.uci"});
    FileError error;
    EXPECT_EQ(files.ReadAll(folder + "Жуков.uci", error), "bytes");
    EXPECT_EQ(files.PathFromText("B\xFCro\\caf\xE9.html"), "Büro\\café.html");
    EXPECT_EQ(files.PathFromText(""), "");
    EXPECT_EQ(files.TextFromPath("C:\\Büro\\café.html"), "C:\\B\xFCro\\caf\xE9.html");
    // Best fit where the code page has a near letter, its default character elsewhere.
    EXPECT_EQ(files.TextFromPath("Łukasz Жуков\\Leq.ini"), "Lukasz ?????\\Leq.ini");
}

TEST_F(Win32FileSystemTest, RewritingAFileReplacesAllItsContent) {
    const std::string path = scratch / "page.html";
    ASSERT_EQ(WritePieces(path, {std::string(5000, 'a')}), std::nullopt);
    ASSERT_EQ(WritePieces(path, {"short\r\n"}), std::nullopt);
    FileError error;
    EXPECT_EQ(files.ReadAll(path, error), "short\r\n");
}

TEST_F(Win32FileSystemTest, ReadsAnEmptyFile) {
    const std::string path = scratch / "empty.txt";
    ASSERT_EQ(WritePieces(path, {}), std::nullopt);
    FileError error;
    EXPECT_EQ(files.ReadAll(path, error), "");
}

TEST_F(Win32FileSystemTest, OpenErrorsComeWithTheirKind) {
    ASSERT_TRUE(wintest::WriteBytes(scratch / "readonly.html", "old", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA((scratch / "folder").c_str(), nullptr));
    const struct {
        const char* what;
        std::string path;
        Kind kind;
    } cases[] = {
        {"a read-only file", scratch / "readonly.html", Kind::Access},
        {"a folder", scratch / "folder", Kind::Access},
        {"a missing folder", scratch / "nowhere\\page.html", Kind::PathNotFound},
    };
    for (const auto& c : cases) {
        FileError error;
        EXPECT_EQ(files.OpenForOutput(c.path, error), nullptr) << c.what;
        EXPECT_EQ(error.kind, c.kind) << c.what;
        EXPECT_FALSE(error.description.empty()) << c.what;
    }
    EXPECT_EQ(wintest::ReadBytes(scratch / "readonly.html"), "old");
}

TEST_F(Win32FileSystemTest, AFileBeingWrittenCannotBeOpenedForWritingAgain) {
    const std::string path = scratch / "page.html";
    ASSERT_TRUE(wintest::WriteBytes(path, "old page"));
    FileError error;
    auto writing = files.OpenForOutput(path, error);
    ASSERT_NE(writing, nullptr);
    ASSERT_EQ(writing->Write("new page"), std::nullopt);

    FileError second;
    EXPECT_EQ(files.OpenForOutput(path, second), nullptr);
    EXPECT_EQ(second.kind, Kind::Busy);
    // Readers are let in, and see the old page whole until the new one is complete.
    EXPECT_EQ(files.ReadAll(path, error), "old page");
    writing.reset();  // dropped unclosed, as after a failed write
    EXPECT_EQ(files.ReadAll(path, error), "old page");
    EXPECT_FALSE(wintest::ReadBytes(path + ".tmp").has_value());
    ASSERT_EQ(WritePieces(path, {"new page"}), std::nullopt);
    EXPECT_EQ(files.ReadAll(path, error), "new page");
    EXPECT_FALSE(wintest::ReadBytes(path + ".tmp").has_value());
}

// A reader without delete sharing (as scanners and indexers open files) keeps the file from
// being replaced: the close says busy and the old content stays. A temporary file that a crash
// left read-only is replaced, not a reason to fail for good.
TEST_F(Win32FileSystemTest, AHeldFileIsBusyAndAStaleReadOnlyTemporaryFileIsReplaced) {
    const std::string path = scratch / "page.html";
    ASSERT_TRUE(wintest::WriteBytes(path, "old page"));
    ASSERT_TRUE(wintest::WriteBytes(path + ".tmp", "stale", FILE_ATTRIBUTE_READONLY));
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    const auto held = WritePieces(path, {"new page"});
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(held->kind, Kind::Busy) << held->description;
    FileError error;
    EXPECT_EQ(files.ReadAll(path, error), "old page");
    EXPECT_FALSE(wintest::ReadBytes(path + ".tmp").has_value());
    CloseHandle(reader);

    ASSERT_TRUE(wintest::WriteBytes(path + ".tmp", "stale", FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(WritePieces(path, {"new page"}), std::nullopt);
    EXPECT_EQ(files.ReadAll(path, error), "new page");
    EXPECT_FALSE(wintest::ReadBytes(path + ".tmp").has_value());
}

TEST_F(Win32FileSystemTest, ReadErrorsComeWithTheirKind) {
    const struct {
        const char* what;
        std::string path;
        Kind kind;
    } cases[] = {
        {"a missing file", scratch / "missing.txt", Kind::NotFound},
        {"a missing folder", scratch / "nowhere\\missing.txt", Kind::PathNotFound},
    };
    for (const auto& c : cases) {
        FileError error;
        EXPECT_EQ(files.ReadAll(c.path, error), std::nullopt) << c.what;
        EXPECT_EQ(error.kind, c.kind) << c.what;
        EXPECT_FALSE(error.description.empty()) << c.what;
    }
}

}  // namespace
