// The About box's texts and the launch of the browser on our web site.
#include <gtest/gtest.h>

#include "AboutBoxLayout.h"
#include "Fakes.h"
#include "WebSite.h"

namespace qel {
namespace {

TEST(AboutTexts, NameTheProductItsVersionAndTheSitesHost) {
    const auto texts = aboutbox::MakeAboutTexts("1.2");
    EXPECT_EQ(texts.caption, "About Pellucor");
    EXPECT_EQ(texts.product, "Pellucor");
    EXPECT_EQ(texts.version, "Version 1.2");
    EXPECT_EQ(texts.webSite, "pellucor.example");
    EXPECT_FALSE(texts.credit1.empty());
    EXPECT_FALSE(texts.credit2.empty());
    EXPECT_EQ(aboutbox::MakeAboutTexts("1.10").version, "Version 1.10");
    EXPECT_EQ(aboutbox::HostNameOf("http://a.example:8080/x"), "a.example");
    EXPECT_EQ(aboutbox::HostNameOf("b.example"), "b.example");
}

class FakeBrowserShell : public BrowserShell {
public:
    bool FindAssociatedProgram(const std::string& file, const std::string& directory,
                               std::string& result, std::string& errorDescription) override {
        lookups.push_back(file + "|" + directory);
        capacity = result.size();
        if (!lookupError.empty()) {
            errorDescription = lookupError;
            return false;
        }
        // What the shell writes: the path and a NUL; the blanks after it stay.
        result.replace(0, answer.size() + 1, answer + '\0');
        return true;
    }
    bool StartProcess(const std::string& commandLine, std::string& errorDescription) override {
        commandLines.push_back(commandLine);
        if (!startError.empty()) {
            errorDescription = startError;
            return false;
        }
        return true;
    }
    void ShowMessage(const std::string& text, const std::string& title) override {
        messages.emplace_back(text, title);
    }

    std::string answer;
    std::string lookupError;
    std::string startError;
    std::size_t capacity = 0;
    std::vector<std::string> lookups;
    std::vector<std::string> commandLines;
    std::vector<std::pair<std::string, std::string>> messages;
};

constexpr char kFolder[] = "C:\\Program Files\\Pellucor\\";
constexpr char kSite[] = "https://pellucor.example/";

TEST(OpenWebSite, StartsTheAssociatedProgramQuotedWithTheAddress) {
    FakeBrowserShell shell;
    FakeFileSystem files;
    shell.answer = "C:\\Program Files\\Stub Browser\\stub.exe";
    OpenWebSite(shell, files, kFolder, kSite);
    ASSERT_EQ(shell.lookups.size(), 1u);
    EXPECT_EQ(shell.lookups[0],
              "C:\\Program Files\\Pellucor\\Pointer.html|C:\\Program Files\\Pellucor\\");
    EXPECT_GE(shell.capacity, 260u);
    // Unquoted, "C:\Program.exe" would be started if it existed.
    EXPECT_EQ(shell.commandLines,
              std::vector<std::string>{
                  "\"C:\\Program Files\\Stub Browser\\stub.exe\" https://pellucor.example/"});
    EXPECT_TRUE(shell.messages.empty());

    // Blanks around the answer go, blanks inside stay.
    EXPECT_EQ(BrowserPath("  C:\\A B\\b.exe" + std::string(1, '\0') + "   "), "C:\\A B\\b.exe");
    EXPECT_EQ(BrowserPath(std::string(5, ' ')), "");
    EXPECT_EQ(BrowserCommandLine("C:\\A B\\b.exe", "x"), "\"C:\\A B\\b.exe\" x");
}

TEST(OpenWebSite, FailuresShowOneMessageEach) {
    FakeBrowserShell shell;
    FakeFileSystem files;
    // No program found: the empty path cannot be started.
    shell.startError = "File not found";
    OpenWebSite(shell, files, kFolder, kSite);
    ASSERT_EQ(shell.commandLines.size(), 1u);
    EXPECT_EQ(shell.commandLines[0], "\"\" https://pellucor.example/");
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].first, "File not found with ");
    EXPECT_EQ(shell.messages[0].second, "Error");

    // The lookup itself cannot be made: titled with the page's listed name, or nothing.
    shell.messages.clear();
    shell.commandLines.clear();
    shell.lookupError = "Specified DLL function not found";
    OpenWebSite(shell, files, kFolder, kSite);
    EXPECT_TRUE(shell.commandLines.empty());
    ASSERT_EQ(shell.messages.size(), 1u);
    EXPECT_EQ(shell.messages[0].first,
              "Specified DLL function not found with C:\\Program Files\\Pellucor\\Pointer.html");
    EXPECT_EQ(shell.messages[0].second, "");
    files.files["C:\\Program Files\\Pellucor\\Pointer.html"] = "<html></html>";
    OpenWebSite(shell, files, kFolder, kSite);
    ASSERT_EQ(shell.messages.size(), 2u);
    EXPECT_EQ(shell.messages[1].second, "Pointer.html");
}

}  // namespace
}  // namespace qel
