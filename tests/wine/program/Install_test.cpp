// SetupQel.exe as a user meets it, run from a folder holding the install set: the information
// window or the Yes/No prompt, what ends up where, a second run from the same folder, and the
// ways the installer stops or carries on when something is missing.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>

#include "FindStartupBas.h"
#include "InstallNames.h"
#include "InstallPlan.h"
#include "Installation.h"
#include "PathText.h"
#include "Polling.h"
#include "ProgramRun.h"
#include "SetupForms.h"
#include "SystemErrorText.h"

namespace {

using namespace setup::forms;
using qeltest::InstallSetCopy;
using qeltest::MessageBoxText;
using qeltest::Press;
using qeltest::ProgramRun;
using qeltest::WindowText;

std::string Bytes(const std::string& path) {
    return wintest::ReadBytes(path).value_or("<missing " + path + ">");
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Installed(const std::string& name) {
    return pellucor::InstallDir() + name;
}

RECT ChildRect(HWND parent, int id) {
    RECT rect{};
    HWND child = GetDlgItem(parent, id);
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A click as assistive technology and UI automation send it, not posted.
void SendClick(HWND window, int button) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(window, button), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &ignored);
}

// An installer that found none of the three files to copy says so in one box, names each with
// the system's reason, and ends with exit code 3 once the box is answered.
void ExpectNoSourceFoundAndExitCode3(ProgramRun& run) {
    HWND failed = run.WaitForMessageBox("Pellucor Installer");
    ASSERT_TRUE(failed);
    const std::string missing = " - " + pellucor::SystemErrorText(ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(MessageBoxText(failed), "These files could not be copied:\r\nQel.txt" + missing +
                                          "\r\nPointer.html" + missing + "\r\nQel.exe" + missing);
    Press(failed, IDOK);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 3u);
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override { qeltest::ClearInstallation(); }
    void TearDown() override { qeltest::ClearInstallation(); }

    // Nothing of an installation is on the machine, and the install set is untouched.
    static void ExpectNothingInstalled(const InstallSetCopy& set) {
        EXPECT_FALSE(Exists(pellucor::InstallDir()));
        EXPECT_FALSE(Exists(qeltest::InstalledUninstaller()));
        EXPECT_FALSE(Exists(qeltest::UserDesktopShortcut()));
        EXPECT_FALSE(qeltest::UninstallEntry().has_value());
        for (const char* name : {"Qel.exe", "Pointer.html", "RemoveQel.exe"}) {
            EXPECT_TRUE(set.Has(name)) << name;
        }
    }
};

TEST_F(Installer, InstallsFromTheInstallSetAndASecondRunFromTheSameFolderFindsItEmptied) {
    InstallSetCopy set;
    const std::string windowsDir = pellucor::FindSystemFolders().WindowsDir;
    ProgramRun run;
    ASSERT_TRUE(run.Start(set.SetupExe(), set.Folder()));
    HWND help = run.WaitForWindow(kHelpFormClass, IDC_Command2);
    ASSERT_TRUE(help);
    EXPECT_EQ(WindowText(help), "Pellucor Information");
    EXPECT_EQ(WindowText(GetDlgItem(help, IDC_Text1)),
              Bytes(qeltest::InstallSetFolder() + "Qel.txt"));
    EXPECT_EQ(WindowText(GetDlgItem(help, IDC_Command1)), "&Install");
    EXPECT_EQ(WindowText(GetDlgItem(help, IDC_Command2)), "&Cancel");
    EXPECT_FALSE(Exists(pellucor::InstallDir())) << "nothing is done while the window waits";

    // Resized, the buttons stand below the text box at a third and two thirds of the free width.
    SetWindowPos(help, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_TRUE(qeltest::WaitUntil([&] {
        RECT client{};
        GetClientRect(help, &client);
        return ChildRect(help, IDC_Text1).right < client.right;
    }));
    RECT client{};
    GetClientRect(help, &client);
    const RECT text = ChildRect(help, IDC_Text1), install = ChildRect(help, IDC_Command1),
               cancel = ChildRect(help, IDC_Command2);
    EXPECT_NEAR(text.right, client.right - text.left, 1);
    EXPECT_NEAR(install.top, text.bottom + text.top, 1);
    EXPECT_EQ(cancel.top, install.top);
    EXPECT_NEAR(install.left, (client.right - (install.right - install.left)) / 3, 1);
    EXPECT_NEAR(cancel.left, 2 * install.left, 1);

    SendClick(help, IDC_Command1);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 0u);

    for (const char* name : {"Qel.exe", "Qel.txt", "Pointer.html"}) {
        EXPECT_EQ(Bytes(Installed(name)), Bytes(qeltest::InstallSetFolder() + name)) << name;
        EXPECT_FALSE(set.Has(name)) << name << " is cleaned out of the installer's folder";
    }
    EXPECT_EQ(Bytes(windowsDir + "RemoveQel.EXE"),
              Bytes(qeltest::InstallSetFolder() + "RemoveQel.exe"));
    EXPECT_FALSE(set.Has("RemoveQel.exe"));
    EXPECT_TRUE(set.Has("SetupQel.exe"));
    using Values = std::map<std::string, std::string>;
    EXPECT_EQ(
        qeltest::UninstallEntry(),
        (Values{{"DisplayName", "Pellucor"}, {"UninstallString", windowsDir + "RemoveQel.EXE"}}));
    const auto shortcut = qeltest::ReadShortcut(qeltest::UserDesktopShortcut());
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->target, "C:\\Program Files\\Pellucor\\Qel.exe");
    EXPECT_EQ(shortcut->workingFolder, "C:\\Program Files\\Pellucor\\");
    EXPECT_EQ(shortcut->description, "Pellucor");

    // Again from the same folder: the delivered files are gone, so the prompt comes, the copies
    // fail and are named, the uninstaller is missed, and the shortcut is made again.
    ASSERT_TRUE(DeleteFileA(qeltest::UserDesktopShortcut().c_str()));
    ProgramRun again;
    ASSERT_TRUE(again.Start(set.SetupExe(), set.Folder()));
    HWND prompt = again.WaitForMessageBox("Preparing to install Pellucor");
    ASSERT_TRUE(prompt);
    EXPECT_EQ(MessageBoxText(prompt),
              "This program will install Pellucor on your computer.\r\nDo you wish to continue?");
    Press(prompt, IDYES);
    HWND problem = again.WaitForMessageBox("Small problem");
    ASSERT_TRUE(problem);
    EXPECT_EQ(MessageBoxText(problem),
              "Pellucor uninstall file not found, and therefore not installed.");
    HWND wait = again.WaitForWindow(kWaitFormClass, IDC_lblDots);
    ASSERT_TRUE(wait);
    EXPECT_EQ(WindowText(wait), "");
    EXPECT_EQ(WindowText(GetDlgItem(wait, IDC_Label1)), "Installing Pellucor");
    EXPECT_EQ(WindowText(GetDlgItem(wait, IDC_Label2)), "Please Wait");
    EXPECT_EQ(WindowText(GetDlgItem(wait, IDC_lblDots)), " . . . . . .");
    Press(problem, IDOK);
    ExpectNoSourceFoundAndExitCode3(again);
    EXPECT_TRUE(qeltest::ReadShortcut(qeltest::UserDesktopShortcut()).has_value());
    EXPECT_EQ(Bytes(Installed("Qel.exe")), Bytes(qeltest::InstallSetFolder() + "Qel.exe"));
    EXPECT_TRUE(qeltest::UninstallEntry().has_value()) << "the first run's entry stays";
}

TEST_F(Installer, StopsBeforeChangingAnythingWhenTheUserSaysSoOrTheFolderCannotBeMade) {
    InstallSetCopy set;
    // "&Cancel", and closing the window from its frame, which means the same.
    for (const bool fromFrame : {false, true}) {
        ProgramRun run;
        ASSERT_TRUE(run.Start(set.SetupExe(), set.Folder()));
        HWND help = run.WaitForWindow(kHelpFormClass, IDC_Command2);
        ASSERT_TRUE(help);
        if (fromFrame) {
            PostMessageA(help, WM_CLOSE, 0, 0);
        } else {
            Press(help, IDC_Command2);
        }
        ASSERT_TRUE(run.WaitForExit()) << "closed from the frame: " << fromFrame;
        EXPECT_EQ(run.ExitCode(), 1u);
    }
    ExpectNothingInstalled(set);
    EXPECT_TRUE(set.Has("Qel.txt"));

    // Without the instruction text the user is asked; No changes nothing.
    ASSERT_TRUE(DeleteFileA((set.Folder() + "Qel.txt").c_str()));
    ProgramRun no;
    ASSERT_TRUE(no.Start(set.SetupExe(), set.Folder()));
    HWND prompt = no.WaitForMessageBox("Preparing to install Pellucor");
    ASSERT_TRUE(prompt);
    Press(prompt, IDNO);
    ASSERT_TRUE(no.WaitForExit());
    EXPECT_EQ(no.ExitCode(), 1u);
    ExpectNothingInstalled(set);

    // A file where the install folder belongs: the folder cannot be made and setup stops.
    const std::string folder = pellucor::InstallDir();
    ASSERT_TRUE(wintest::WriteBytes(folder.substr(0, folder.size() - 1), "in the way"));
    ProgramRun blocked;
    ASSERT_TRUE(blocked.Start(set.SetupExe(), set.Folder()));
    prompt = blocked.WaitForMessageBox("Preparing to install Pellucor");
    ASSERT_TRUE(prompt);
    Press(prompt, IDYES);
    HWND serious = blocked.WaitForMessageBox("Serious problem. Aborting setup.");
    ASSERT_TRUE(serious);
    const std::string text = MessageBoxText(serious);
    const std::string ending = " making C:\\Program Files\\Pellucor\\";
    ASSERT_GT(text.size(), ending.size()) << text;
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
    Press(serious, IDOK);
    ASSERT_TRUE(blocked.WaitForExit());
    EXPECT_EQ(blocked.ExitCode(), 2u);
    EXPECT_FALSE(Exists(qeltest::InstalledUninstaller()));
    EXPECT_FALSE(Exists(qeltest::UserDesktopShortcut()));
    EXPECT_FALSE(qeltest::UninstallEntry().has_value());
    EXPECT_TRUE(set.Has("Qel.exe") && set.Has("RemoveQel.exe"));

    // The install folder is a link to a folder elsewhere: setup stops before copying anything.
    ASSERT_TRUE(DeleteFileA(folder.substr(0, folder.size() - 1).c_str()));
    wintest::ScratchFolder elsewhere;
    ASSERT_TRUE(qeltest::MakeUnixLink(elsewhere.Path(), folder));
    ProgramRun linked;
    ASSERT_TRUE(linked.Start(set.SetupExe(), set.Folder()));
    prompt = linked.WaitForMessageBox("Preparing to install Pellucor");
    ASSERT_TRUE(prompt);
    Press(prompt, IDYES);
    serious = linked.WaitForMessageBox("Serious problem. Aborting setup.");
    ASSERT_TRUE(serious);
    EXPECT_EQ(MessageBoxText(serious),
              "The folder is a link to another place. making C:\\Program Files\\Pellucor\\");
    Press(serious, IDOK);
    ASSERT_TRUE(linked.WaitForExit());
    EXPECT_EQ(linked.ExitCode(), 2u);
    EXPECT_FALSE(Exists(elsewhere / "Qel.exe"));
    EXPECT_TRUE(set.Has("Qel.exe"));
}

TEST_F(Installer, WithoutTheUninstallerItSaysSoMakesNoEntryAndInstallsTheRest) {
    InstallSetCopy set({"RemoveQel.exe"});
    ProgramRun run;
    ASSERT_TRUE(run.Start(set.SetupExe(), set.Folder()));
    HWND help = run.WaitForWindow(kHelpFormClass, IDC_Command1);
    ASSERT_TRUE(help);
    // Enter presses "&Install", the default button.
    PostMessageA(GetDlgItem(help, IDC_Command1), WM_KEYDOWN, VK_RETURN, 0);
    HWND problem = run.WaitForMessageBox("Small problem");
    ASSERT_TRUE(problem);
    EXPECT_EQ(MessageBoxText(problem),
              "Pellucor uninstall file not found, and therefore not installed.");
    Press(problem, IDOK);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 0u);
    EXPECT_FALSE(qeltest::UninstallEntry().has_value());
    EXPECT_FALSE(Exists(qeltest::InstalledUninstaller()));
    for (const char* name : {"Qel.exe", "Qel.txt", "Pointer.html"}) {
        EXPECT_TRUE(Exists(Installed(name))) << name;
        EXPECT_FALSE(set.Has(name)) << name;
    }
    EXPECT_TRUE(qeltest::ReadShortcut(qeltest::UserDesktopShortcut()).has_value());
}

// Starts the installer of `set` and presses "&Install".
void StartAndInstall(ProgramRun& run, const InstallSetCopy& set) {
    ASSERT_TRUE(run.Start(set.SetupExe(), set.Folder()));
    HWND help = run.WaitForWindow(kHelpFormClass, IDC_Command1);
    ASSERT_TRUE(help);
    SendClick(help, IDC_Command1);
}

TEST_F(Installer, ACopyThatFailsOrAProgramHeldOpenLeavesNoShortcutToAnUncheckedProgram) {
    // Started from another folder: only the uninstaller, taken from beside the installer, can
    // be copied; the installer's folder keeps the rest and no shortcut points at nothing.
    InstallSetCopy set;
    wintest::ScratchFolder elsewhere;
    ProgramRun away;
    ASSERT_TRUE(away.Start(set.SetupExe(), elsewhere.Path()));
    HWND prompt = away.WaitForMessageBox("Preparing to install Pellucor");
    ASSERT_TRUE(prompt);
    Press(prompt, IDYES);
    ExpectNoSourceFoundAndExitCode3(away);
    EXPECT_FALSE(Exists(qeltest::UserDesktopShortcut()));
    for (const char* name : {"Qel.exe", "Qel.txt", "Pointer.html"}) {
        EXPECT_TRUE(set.Has(name)) << name;
    }
    EXPECT_TRUE(qeltest::UninstallEntry().has_value());

    // A Qel.exe a user put there while the folder let them, held open without leave to delete
    // it (so that they could rewrite it later): the installation stops and names it, no
    // shortcut is left to it, and it is deleted when Windows restarts.
    ASSERT_TRUE(wintest::WriteBytes(Installed("Qel.exe"), "a user's own program"));
    ASSERT_TRUE(wintest::WriteBytes(qeltest::UserDesktopShortcut(), "an earlier shortcut"));
    const HANDLE held = CreateFileA(Installed("Qel.exe").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    InstallSetCopy fresh;
    ProgramRun busy;
    StartAndInstall(busy, fresh);
    HWND serious = busy.WaitForMessageBox("Serious problem. Aborting setup.");
    ASSERT_TRUE(serious);
    EXPECT_EQ(MessageBoxText(serious), setup::HeldFileText(Installed("Qel.exe")));
    Press(serious, IDOK);
    ASSERT_TRUE(busy.WaitForExit());
    CloseHandle(held);
    EXPECT_EQ(busy.ExitCode(), 2u);
    EXPECT_EQ(Bytes(Installed("Qel.exe")), "a user's own program");
    EXPECT_FALSE(Exists(qeltest::UserDesktopShortcut()));
    EXPECT_TRUE(fresh.Has("Qel.exe") && fresh.Has("Qel.txt"));
    const std::string marked = "\\??\\" + Installed("Qel.exe") + "||";
    EXPECT_NE(qeltest::PendingDeletions().find(marked), std::string::npos);

    // Closed, it is replaced by the next run, and the new program is not deleted at restart.
    ProgramRun again;
    StartAndInstall(again, fresh);
    ASSERT_TRUE(again.WaitForExit());
    EXPECT_EQ(again.ExitCode(), 0u);
    EXPECT_EQ(Bytes(Installed("Qel.exe")), Bytes(qeltest::InstallSetFolder() + "Qel.exe"));
    EXPECT_EQ(qeltest::PendingDeletions().find(marked), std::string::npos);
    EXPECT_TRUE(qeltest::ReadShortcut(qeltest::UserDesktopShortcut()).has_value());

    // An old program held open by a reader that allows deleting (a scanner, an indexer): the
    // new one is installed all the same, and the reader still reads the old.
    ASSERT_TRUE(wintest::WriteBytes(Installed("Qel.exe"), "an older program"));
    const HANDLE scanner = CreateFileA(Installed("Qel.exe").c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(scanner, INVALID_HANDLE_VALUE);
    InstallSetCopy third;
    ProgramRun scanned;
    StartAndInstall(scanned, third);
    ASSERT_TRUE(scanned.WaitForExit());
    char old[32] = {};
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(scanner, old, sizeof old, &got, nullptr));
    CloseHandle(scanner);
    EXPECT_EQ(scanned.ExitCode(), 0u);
    EXPECT_EQ(std::string(old, got), "an older program");
    EXPECT_EQ(Bytes(Installed("Qel.exe")), Bytes(qeltest::InstallSetFolder() + "Qel.exe"));

    // A set whose files differ from those the installer was made with: Qel.exe by one byte,
    // the instruction text (so it is not shown: the prompt comes instead), and Pointer.html
    // grown to a sparse 3 GB (read no further than one byte past its size). None is installed,
    // each is named with the reason, the installed page stays as it was, and no shortcut
    // points at an unchecked program.
    qeltest::ClearInstallation();
    ASSERT_TRUE(CreateDirectoryA(pellucor::InstallDir().c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(Installed("Pointer.html"), "an earlier page"));
    InstallSetCopy changed;
    std::string program = Bytes(changed.Folder() + "Qel.exe");
    program[program.size() / 2] ^= 1;
    ASSERT_TRUE(wintest::WriteBytes(changed.Folder() + "Qel.exe", program));
    ASSERT_TRUE(wintest::WriteBytes(changed.Folder() + "Qel.txt", "Other instructions."));
    const HANDLE page = CreateFileA((changed.Folder() + "Pointer.html").c_str(), GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(page, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 3LL << 30;
    EXPECT_TRUE(SetFilePointerEx(page, size, nullptr, FILE_BEGIN) && SetEndOfFile(page));
    CloseHandle(page);
    ProgramRun tampered;
    ASSERT_TRUE(tampered.Start(changed.SetupExe(), changed.Folder()));
    prompt = tampered.WaitForMessageBox("Preparing to install Pellucor");
    ASSERT_TRUE(prompt);
    Press(prompt, IDYES);
    HWND failed = tampered.WaitForMessageBox("Pellucor Installer");
    ASSERT_TRUE(failed);
    const std::string notOurs = std::string(" - ") + setup::kNotOurFileDescription;
    EXPECT_EQ(MessageBoxText(failed), "These files could not be copied:\r\nQel.txt" + notOurs +
                                          "\r\nPointer.html" + notOurs + "\r\nQel.exe" + notOurs);
    Press(failed, IDOK);
    ASSERT_TRUE(tampered.WaitForExit());
    EXPECT_EQ(tampered.ExitCode(), 3u);
    EXPECT_EQ(Bytes(Installed("Pointer.html")), "an earlier page");
    EXPECT_FALSE(Exists(Installed("Qel.exe")) || Exists(Installed("Qel.txt")));
    EXPECT_EQ(Bytes(changed.Folder() + "Qel.exe"), program);
    EXPECT_FALSE(Exists(qeltest::UserDesktopShortcut()));
}

TEST_F(Installer, AnUpgradeLeavesTheFolderAsAFreshInstallWouldAndNeverWritesThroughALink) {
    // What users could plant while an earlier version let them change the folder.
    const std::string dir = pellucor::InstallDir();
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    const std::map<std::string, std::string> settings{
        {"Leq.ini", "home\r\n"}, {"Leq.ini.bad", "broken"}, {"home.uci", "profile\r\n"}};
    for (const auto& [name, bytes] : settings) {
        ASSERT_TRUE(wintest::WriteBytes(dir + name, bytes));
    }
    ASSERT_TRUE(wintest::WriteBytes(dir + "version.dll", "planted", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(wintest::WriteBytes(dir + "stray.exe", "planted"));
    ASSERT_TRUE(wintest::WriteBytes(dir + "Qel.exe", "replaced by a user"));
    ASSERT_TRUE(CreateDirectoryA((dir + "plugins").c_str(), nullptr));
    ASSERT_TRUE(wintest::WriteBytes(dir + "plugins\\Leq.ini", "not kept down here"));
    // A second name of a read-only file elsewhere (a hard link), and names that differ from
    // kept ones only by a trailing dot or blank, which the path rules would drop.
    wintest::ScratchFolder outside;
    ASSERT_TRUE(
        wintest::WriteBytes(outside / "precious.uci", "someone else's", FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(qeltest::MakeUnixHardLink(outside / "precious.uci", dir + "linked.uci"));
    const std::string exact = "\\\\?\\" + dir;
    for (const char* name : {"version.dll.", "Leq.ini "}) {
        ASSERT_TRUE(wintest::WriteBytes(exact + name, "planted")) << name;
    }
    InstallSetCopy set;
    ProgramRun run;
    ASSERT_TRUE(run.Start(set.SetupExe(), set.Folder()));
    HWND help = run.WaitForWindow(kHelpFormClass, IDC_Command1);
    ASSERT_TRUE(help);
    SendClick(help, IDC_Command1);
    ASSERT_TRUE(run.WaitForExit());
    EXPECT_EQ(run.ExitCode(), 0u);
    for (const char* gone :
         {"version.dll", "stray.exe", "plugins", "linked.uci", "version.dll.", "Leq.ini "}) {
        EXPECT_FALSE(qeltest::PathExists(exact + gone)) << gone;
    }
    EXPECT_EQ(Bytes(outside / "precious.uci"), "someone else's");
    EXPECT_TRUE(GetFileAttributesW(pellucor::Wide(outside / "precious.uci").c_str()) &
                FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Bytes(Installed("Qel.exe")), Bytes(qeltest::InstallSetFolder() + "Qel.exe"));
    for (const auto& [name, bytes] : settings) {
        EXPECT_EQ(Bytes(dir + name), bytes) << name;
    }

    // A file of the folder that is a link to a file elsewhere is never written or deleted
    // through. Wine opens a Unix link's target even when asked for the link itself, so the
    // link cannot be removed: the folder cannot be made safe and setup stops before copying.
    qeltest::ClearInstallation();
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    wintest::ScratchFolder elsewhere;
    ASSERT_TRUE(wintest::WriteBytes(elsewhere / "precious.txt", "keep me"));
    ASSERT_TRUE(qeltest::MakeUnixLink(elsewhere / "precious.txt", Installed("Qel.txt")));
    InstallSetCopy again;
    ProgramRun linked;
    ASSERT_TRUE(linked.Start(again.SetupExe(), again.Folder()));
    help = linked.WaitForWindow(kHelpFormClass, IDC_Command1);
    ASSERT_TRUE(help);
    SendClick(help, IDC_Command1);
    HWND serious = linked.WaitForMessageBox("Serious problem. Aborting setup.");
    ASSERT_TRUE(serious);
    EXPECT_EQ(MessageBoxText(serious),
              setup::LinkNotRemovedDescription(Installed("Qel.txt")) + " making " + dir);
    Press(serious, IDOK);
    ASSERT_TRUE(linked.WaitForExit());
    EXPECT_EQ(linked.ExitCode(), 2u);
    EXPECT_EQ(Bytes(elsewhere / "precious.txt"), "keep me");
    EXPECT_FALSE(Exists(Installed("Qel.exe")));
    EXPECT_TRUE(again.Has("Qel.txt") && again.Has("Qel.exe"));
    EXPECT_TRUE(qeltest::RemoveUnixLink(Installed("Qel.txt")));
}

TEST_F(Installer, AnyUserNameWorksFromTheSetFolderToTheDesktopAndBack) {
    // A user folder named with letters no single code page holds together (Polish and
    // Cyrillic), the set unpacked into it, the desktop inside it.
    const std::string home = "C:\\users\\Public\\Łukasz Żółć Жук";
    const std::string setFolder = home + "\\Pobrane Загрузки\\";
    const std::string desktop = home + "\\Pulpit Стол";
    qeltest::RemoveTree(home);
    for (const std::string& folder : {home, setFolder, desktop}) {
        ASSERT_TRUE(CreateDirectoryW(pellucor::Wide(folder).c_str(), nullptr)) << folder;
    }
    qeltest::CopyInstallSet(setFolder);
    {
        qeltest::DesktopRedirect redirect(desktop);
        ASSERT_EQ(qeltest::UserDesktopShortcut(), desktop + "\\Pellucor.lnk");
        ProgramRun run;
        ASSERT_TRUE(run.Start(setFolder + "SetupQel.exe", setFolder));
        HWND help = run.WaitForWindow(kHelpFormClass, IDC_Command1);
        ASSERT_TRUE(help);
        EXPECT_EQ(WindowText(GetDlgItem(help, IDC_Text1)),
                  Bytes(qeltest::InstallSetFolder() + "Qel.txt"));
        SendClick(help, IDC_Command1);
        ASSERT_TRUE(run.WaitForExit());
        EXPECT_EQ(run.ExitCode(), 0u);
        EXPECT_EQ(Bytes(qeltest::InstalledUninstaller()),
                  Bytes(qeltest::InstallSetFolder() + "RemoveQel.exe"));
        for (const char* name : {"Qel.exe", "RemoveQel.exe"}) {
            EXPECT_FALSE(qeltest::PathExists(setFolder + name)) << name << " cleaned out";
        }
        const auto shortcut = qeltest::ReadShortcut(desktop + "\\Pellucor.lnk");
        ASSERT_TRUE(shortcut);
        EXPECT_EQ(shortcut->target, "C:\\Program Files\\Pellucor\\Qel.exe");

        ASSERT_TRUE(qeltest::UninstallAnsweringYes(setFolder));
        EXPECT_FALSE(qeltest::PathExists(desktop + "\\Pellucor.lnk"));
        EXPECT_FALSE(Exists(pellucor::InstallDir()));
    }
    EXPECT_NE(qeltest::UserDesktopShortcut(), desktop + "\\Pellucor.lnk") << "restored";
    qeltest::RemoveTree(home);
}

}  // namespace

namespace {

// The manifest a program carries, read from its resources without running it.
std::string ManifestOf(const std::string& exe) {
    HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        return {};
    }
    std::string text;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, found)));
        text.assign(bytes, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

TEST(InstallSet, InstallerAndUninstallerAskForAdministratorRightsAndQelDoesNot) {
    const std::string set = qeltest::InstallSetFolder();
    for (const char* exe : {"SetupQel.exe", "RemoveQel.exe"}) {
        EXPECT_NE(ManifestOf(set + exe).find("level=\"requireAdministrator\""), std::string::npos)
            << exe;
    }
    EXPECT_NE(ManifestOf(set + "Qel.exe").find("level=\"asInvoker\""), std::string::npos);
    for (const char* exe : {"SetupQel.exe", "RemoveQel.exe", "Qel.exe"}) {  // system DPI aware
        EXPECT_NE(ManifestOf(set + exe).find(">true</dpiAware>"), std::string::npos) << exe;
    }
}

}  // namespace
