// RemoveQel.exe as a user meets it, run from the Windows folder after an installation: the
// warning and its No, the removal with its trace lines, the search of drive C: when no desktop
// shortcut is found, and what it cannot remove.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <vector>

#include "FindStartupBas.h"
#include "InstallNames.h"
#include "PathText.h"
#include "Installation.h"
#include "ProgramRun.h"
#include "RemovalTexts.h"

namespace {

using qeltest::MessageBoxText;
using qeltest::Press;
using qeltest::ProgramRun;

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "every trace line ends in CR LF";
    return lines;
}

class Uninstaller : public ::testing::Test {
protected:
    void SetUp() override {
        qeltest::ClearInstallation();
        // What an installation and a few runs of Qel leave behind.
        const std::string dir = pellucor::InstallDir();
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
        for (const char* name : {"Qel.exe", "Qel.txt", "Pointer.html"}) {
            ASSERT_TRUE(
                CopyFileA((qeltest::InstallSetFolder() + name).c_str(), (dir + name).c_str(), 0));
        }
        ASSERT_TRUE(wintest::WriteBytes(dir + "Leq.ini", "home\r\n"));
        ASSERT_TRUE(wintest::WriteBytes(dir + "home.uci", "profile\r\n"));
        ASSERT_TRUE(wintest::WriteBytes(dir + "locked.html", "page", FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(CopyFileA((qeltest::InstallSetFolder() + "RemoveQel.exe").c_str(),
                              qeltest::InstalledUninstaller().c_str(), FALSE));
        qeltest::WriteUninstallEntry();
        ASSERT_TRUE(wintest::WriteBytes(qeltest::UserDesktopShortcut(), "shortcut"));
    }
    void TearDown() override {
        qeltest::ClearInstallation();
        if (!stray_.empty()) {
            qeltest::RemoveTree(stray_);
        }
    }

    // Runs the uninstaller from the install folder itself, as the current folder, answers the
    // warning with Yes and waits for the completion message.
    void RemoveWithYes() {
        ProgramRun run;
        ASSERT_TRUE(run.Start(qeltest::InstalledUninstaller(), pellucor::InstallDir()));
        HWND warning = run.WaitForMessageBox("*** WARNING ***");
        ASSERT_TRUE(warning);
        Press(warning, IDYES);
        HWND finished = run.WaitForMessageBox("Finished.", 60000);
        ASSERT_TRUE(finished);
        EXPECT_EQ(MessageBoxText(finished), "Uninstall of Qel is complete.");
        Press(finished, IDOK);
        ASSERT_TRUE(run.WaitForExit());
        EXPECT_EQ(run.ExitCode(), 0u);
    }

    // Checks the trace lines of one emptying of the install folder: an unlocking and a killing
    // line for each of `files` (in the folder's listing order), then the rest as given.
    static void ExpectEmptyingLines(std::vector<std::string>::const_iterator& line,
                                    std::vector<std::string>::const_iterator end,
                                    const std::set<std::string>& files) {
        std::set<std::string> seen;
        while (line != end && line->rfind("Unlocking ", 0) == 0) {
            const std::string path = line->substr(10);
            seen.insert(path.substr(pellucor::InstallDir().size()));
            ++line;
            ASSERT_NE(line, end);
            EXPECT_EQ(*line, "Killing " + path);
            ++line;
        }
        EXPECT_EQ(seen, files);
    }

    std::string stray_;  // a folder of the test's own on drive C:
};

TEST_F(Uninstaller, NoLeavesEverythingInPlace) {
    qeltest::TraceFile trace;
    ProgramRun run;
    ASSERT_TRUE(run.Start(qeltest::InstalledUninstaller(), pellucor::InstallDir()));
    HWND warning = run.WaitForMessageBox("*** WARNING ***");
    ASSERT_TRUE(warning);
    EXPECT_EQ(MessageBoxText(warning),
              "This program will uninstall Pellucor. Gone! No more Pellucor. Are you sure you "
              "want to continue?");
    Press(warning, IDNO);
    HWND alert = run.WaitForMessageBox("Alert");
    ASSERT_TRUE(alert);
    EXPECT_EQ(MessageBoxText(alert), "Uninstall aborted.");
    Press(alert, IDOK);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 1u);
    EXPECT_TRUE(Exists(qeltest::UserDesktopShortcut()));
    EXPECT_TRUE(Exists(pellucor::InstallDir() + "Qel.exe"));
    EXPECT_TRUE(qeltest::UninstallEntry().has_value());
    EXPECT_EQ(trace.SinceMark(), "");
}

TEST_F(Uninstaller, YesRemovesTheShortcutTheFolderAndTheEntryAndTracesEachStep) {
    // Lines of earlier runs stay.
    const std::string earlier = qeltest::TraceFile().All() + "an earlier run\r\n";
    ASSERT_TRUE(wintest::WriteBytes("C:\\gcur.txt", earlier));
    // A copy of the shortcut elsewhere is not looked for when the desktop had one.
    stray_ = "C:\\pellucor-stray-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(stray_.c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(stray_ + "\\Pellucor.lnk", "elsewhere"));
    qeltest::TraceFile trace;

    RemoveWithYes();
    EXPECT_FALSE(Exists(qeltest::UserDesktopShortcut()));
    EXPECT_FALSE(Exists(pellucor::InstallDir()));
    EXPECT_FALSE(qeltest::UninstallEntry().has_value());
    EXPECT_TRUE(Exists(stray_ + "\\Pellucor.lnk"));
    EXPECT_TRUE(Exists(qeltest::InstalledUninstaller())) << "the uninstaller keeps itself";

    EXPECT_EQ(trace.All().substr(0, earlier.size()), earlier);
    const std::vector<std::string> lines = Lines(trace.SinceMark());
    auto line = lines.cbegin();
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(*line++, "Killing links");
    EXPECT_EQ(*line++, "Emptying app directory");
    ExpectEmptyingLines(
        line, lines.cend(),
        {"Qel.exe", "Qel.txt", "Pointer.html", "Leq.ini", "home.uci", "locked.html"});
    EXPECT_EQ(std::vector<std::string>(line, lines.cend()),
              (std::vector<std::string>{"Changing directory", "Killing directory",
                                        "Unloading wait form"}));
}

TEST_F(Uninstaller, WithoutADesktopShortcutItSearchesDriveCAndReportsWhatItCouldNotRemove) {
    ASSERT_TRUE(DeleteFileA(qeltest::UserDesktopShortcut().c_str()));
    stray_ = "C:\\pellucor-search-" + std::to_string(GetCurrentProcessId());
    // One level is named with letters no single code page holds together.
    std::string nested = stray_;
    for (const char* level : {"", "\\a", "\\Łukasz Жук", "\\c"}) {
        nested += level;
        ASSERT_TRUE(CreateDirectoryW(pellucor::Wide(nested).c_str(), nullptr)) << nested;
    }
    const std::wstring deep = pellucor::Wide(nested + "\\Pellucor.lnk");
    const HANDLE shortcut = CreateFileW(deep.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(shortcut, INVALID_HANDLE_VALUE);
    CloseHandle(shortcut);
    // A hidden file and a subfolder are not emptied out, so the folder stays.
    const std::string dir = pellucor::InstallDir();
    ASSERT_TRUE(wintest::WriteBytes(dir + "hidden.dat", "x", FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(CreateDirectoryA((dir + "pages").c_str(), nullptr));
    qeltest::TraceFile trace;

    RemoveWithYes();
    EXPECT_TRUE(qeltest::PathExists(nested));
    EXPECT_FALSE(qeltest::PathExists(nested + "\\Pellucor.lnk"));
    EXPECT_TRUE(Exists(dir + "hidden.dat"));
    EXPECT_TRUE(Exists(dir + "pages"));
    EXPECT_FALSE(Exists(dir + "Qel.exe"));
    EXPECT_FALSE(qeltest::UninstallEntry().has_value()) << "the entry goes all the same";

    const std::vector<std::string> lines = Lines(trace.SinceMark());
    auto line = lines.cbegin();
    ASSERT_GE(lines.size(), 9u);
    EXPECT_EQ(*line++, "Killing links");
    EXPECT_EQ(*line++, "Mapping directories");
    EXPECT_EQ(*line++, "Done mapping");
    EXPECT_EQ(*line++, "Emptying app directory");
    ExpectEmptyingLines(
        line, lines.cend(),
        {"Qel.exe", "Qel.txt", "Pointer.html", "Leq.ini", "home.uci", "locked.html"});
    ASSERT_EQ(lines.cend() - line, 4) << "then the folder's removal fails, logged";
    EXPECT_EQ(*line++, "Changing directory");
    EXPECT_EQ(*line++, "Killing directory");
    EXPECT_FALSE(line->empty());
    EXPECT_EQ(line->find("Killing"), std::string::npos) << *line;
    ++line;
    EXPECT_EQ(*line, "Unloading wait form");
}

TEST_F(Uninstaller, NeverEntersAnInstallFolderThatIsALink) {
    // A user replaced the install folder by a link to a folder of other files.
    qeltest::RemoveTree(pellucor::InstallDir());
    wintest::ScratchFolder target;
    ASSERT_TRUE(wintest::WriteBytes(target / "precious.dll", "keep me"));
    ASSERT_TRUE(qeltest::MakeUnixLink(target.Path(), pellucor::InstallDir()));
    qeltest::TraceFile trace;

    RemoveWithYes();
    EXPECT_EQ(wintest::ReadBytes(target / "precious.dll").value_or("gone"), "keep me");
    const std::string traced = trace.SinceMark();
    EXPECT_NE(traced.find("Emptying app directory\r\nNot entering C:\\Program Files\\Pellucor: "
                          "it is a link; removing the link only\r\n"),
              std::string::npos)
        << traced;
    EXPECT_EQ(traced.find("precious.dll"), std::string::npos);
    EXPECT_FALSE(qeltest::UninstallEntry().has_value());

    // A real install folder holding a link to a file elsewhere: Wine opens the link's target
    // even when asked for the link itself, so it cannot be checked as a plain file of the
    // folder, is not deleted, and says so; the folder's own files go.
    ASSERT_TRUE(qeltest::RemoveUnixLink(pellucor::InstallDir()));
    SetUp();
    ASSERT_TRUE(qeltest::MakeUnixLink(target / "precious.dll", pellucor::InstallDir() + "x.dll"));
    qeltest::TraceFile again;
    RemoveWithYes();
    EXPECT_EQ(wintest::ReadBytes(target / "precious.dll").value_or("gone"), "keep me");
    EXPECT_FALSE(Exists(pellucor::InstallDir() + "Qel.exe"));
    EXPECT_NE(
        again.SinceMark().find("Not deleting C:\\Program Files\\Pellucor\\x.dll: it lies at "),
        std::string::npos)
        << again.SinceMark();
    EXPECT_TRUE(qeltest::RemoveUnixLink(pellucor::InstallDir() + "x.dll"));

    // The trace file is a link to a file elsewhere: nothing is written through it, and the
    // removal goes on all the same.
    const std::string earlier = again.All();
    ASSERT_TRUE(DeleteFileA("C:\\gcur.txt"));
    ASSERT_TRUE(qeltest::MakeUnixLink(target / "precious.dll", "C:\\gcur.txt"));
    SetUp();
    RemoveWithYes();
    EXPECT_EQ(wintest::ReadBytes(target / "precious.dll").value_or("gone"), "keep me");
    EXPECT_FALSE(Exists(pellucor::InstallDir()));
    EXPECT_TRUE(qeltest::RemoveUnixLink("C:\\gcur.txt"));
    EXPECT_TRUE(wintest::WriteBytes("C:\\gcur.txt", earlier));
}

}  // namespace
