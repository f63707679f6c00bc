// Writing the page file: the folders tried in turn, the reports, and the hand-over to the uploads.
#include <gtest/gtest.h>

#include "MainFormFixture.h"

namespace qel {
namespace {

class SendWebPageTest : public MainFormFixture {
protected:
    void Publish(const std::string& block) {
        form.InBuffer = block;
        form.SendWebPage();
    }
    std::string FileAt(const std::string& path) { return files.files[path]; }
};

TEST_F(SendWebPageTest, PageGoesToTheApplicationDataFolder) {
    Publish("old@@@@line1\r\nline2");
    EXPECT_EQ(state.WebFilePath, std::string(kAppData) + "live.html");
    EXPECT_EQ(PageFile(), PageFor("line1<br>\r\nline2"));
    EXPECT_EQ(view.outputText, "line1\r\nline2");
    EXPECT_EQ(state.DestFileName, "live.html");
    EXPECT_EQ(state.DestPath, "/");
}

TEST_F(SendWebPageTest, RefreshAndTitleComeFromTheWindowAtTheTimeOfThePage) {
    view.refreshText = "0";
    view.pageTitleText = "A<B & C";
    Publish("T1");
    EXPECT_EQ(PageFile(), PageFileBytes(BuildPageText("A<B & C", "0", "T1")));
    EXPECT_EQ(PageFile().find("refresh"), std::string::npos);
}

TEST_F(SendWebPageTest, AccessErrorFallsBackToSharedDocumentsThenTheProgramFolder) {
    files.openErrors[std::string(kAppData) + "live.html"] = FakeFileSystem::AccessError();
    Publish("T1");
    EXPECT_EQ(state.WebFilePath, std::string(kPublicDocuments) + "live.html");
    EXPECT_EQ(FileAt(state.WebFilePath), PageFor("T1"));
    EXPECT_TRUE(view.statusHistory.empty());

    files.openErrors[std::string(kPublicDocuments) + "live.html"] = FakeFileSystem::AccessError();
    Publish("T2");
    EXPECT_EQ(state.WebFilePath, std::string(kProgramFolder) + "live.html");
    EXPECT_EQ(FileAt(state.WebFilePath), PageFor("T2"));
}

TEST_F(SendWebPageTest, LastFolderFailingIsReported) {
    for (const char* folder : {kAppData, kPublicDocuments, kProgramFolder}) {
        files.openErrors[std::string(folder) + "live.html"] = FakeFileSystem::AccessError();
    }
    Publish("T1");
    EXPECT_EQ(view.LastStatus(),
              StatusMessage("Path/File access error saving Web file", StatusColour::Failure));
    EXPECT_EQ(view.statusHistory.size(), 1u);
}

TEST_F(SendWebPageTest, OtherWriteErrorsAreReportedWithoutTryingAnotherFolder) {
    files.writeErrors[std::string(kAppData) + "live.html"] = {1, FakeFileSystem::OtherError()};
    state.FTPMethod = 1;
    Publish("T1");
    EXPECT_EQ(files.openedForOutput.size(), 1u);
    EXPECT_EQ(view.statusHistory.front(),
              StatusMessage("Disk full saving Web file", StatusColour::Failure));
    // A failed write uploads nothing: neither an older page nor a partial one.
    EXPECT_TRUE(internet.puts.empty());
}

TEST_F(SendWebPageTest, OlderPageStaysAndNothingIsUploadedWhenTheWriteFails) {
    const std::string path = std::string(kAppData) + "live.html";
    files.files[path] = "older page";
    files.openErrors[path] = FakeFileSystem::OtherError("Disk full");
    state.FTPMethod = 1;
    Publish("T1");
    EXPECT_EQ(files.files[path], "older page");
    EXPECT_TRUE(internet.puts.empty());
}

TEST_F(SendWebPageTest, MissingShellFolderMeansTheRootOfTheCurrentDrive) {
    files.specialFolders.clear();
    Publish("T1");
    EXPECT_EQ(state.WebFilePath, "\\live.html");
}

TEST_F(SendWebPageTest, UploadMethodDecidesWhoSendsThePage) {
    state.DestPath = "www";
    state.FTPMethod = 0;
    Publish("T1");
    ASSERT_EQ(internet.puts.size(), 1u);
    EXPECT_EQ(internet.puts[0].remote, "/www/live.html");
    EXPECT_TRUE(transfer.operations.empty());

    state.FTPMethod = 7;
    Publish("T2");
    EXPECT_EQ(internet.puts.size(), 1u);
    EXPECT_TRUE(transfer.operations.empty());
}

TEST_F(SendWebPageTest, ShortBlocksMakeNoPage) {
    Publish("a");
    Publish("");
    EXPECT_TRUE(files.openedForOutput.empty());
    EXPECT_TRUE(view.statusHistory.empty());
}

}  // namespace
}  // namespace qel
