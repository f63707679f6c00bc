// The host dialog's logic: the proposed profile name, the change flags behind Exit's
// questions, and what Set, Ok and picking a profile do to the program state and the files.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "ConfigUploadForm.h"
#include "Fakes.h"
#include "HostProfile.h"

namespace qel {
namespace {

TEST(SuggestProfileName, DropsTheUsualHostPrefixesAndKeepsTheFirstLabel) {
    EXPECT_EQ(SuggestProfileName("www.example.com"), "example");
    EXPECT_EQ(SuggestProfileName("ftp.example.com"), "example");
    EXPECT_EQ(SuggestProfileName("files.example.com"), "example");
    EXPECT_EQ(SuggestProfileName("www.files.example.com"), "example");
    EXPECT_EQ(SuggestProfileName("ftp.files.host"), "host");
    EXPECT_EQ(SuggestProfileName("www.ftp.example.com"), "ftp");  // one prefix only
    EXPECT_EQ(SuggestProfileName("WWW.example.com"), "WWW");      // case matters
    EXPECT_EQ(SuggestProfileName("localhost"), "localhost");
    EXPECT_EQ(SuggestProfileName("www."), "");
    EXPECT_EQ(SuggestProfileName(""), "");
}

TEST(IsUsableProfileName, RefusesNamesThatReachADeviceOrAnotherFolder) {
    for (const char* name :
         {"COM3",      "com3.txt", "Lpt1",   "LPT0",      "COM\xB9", "lpt\xB2", "CON",
          "nul.uci",   " aux .x",  "CONIN$", "conout$.a", "PRN",     "..\\x",   "a/b",
          "c:x",       "a*",       "a?",     "a\"b",      "a<",      "a>",      "a|b",
          "tab\there", "x.",       "..",     ".",         "x ",      "",        "nul.a.b"}) {
        EXPECT_FALSE(IsUsableProfileName(name)) << name;
    }
    for (const char* name : {"home", "home.uci", "COM10", "COMX", "LPT", "console", "a.COM3",
                             "my host", ".uci", "CON_1", "COM\xB4"}) {
        EXPECT_TRUE(IsUsableProfileName(name)) << name;
    }
}

class FakeConfigView : public ConfigUploadView {
public:
    std::string Text(ConfigBox box) const override {
        const auto it = boxes.find(box);
        return it == boxes.end() ? std::string() : it->second;
    }
    void SetText(ConfigBox box, const std::string& text) override { boxes[box] = text; }
    void SetVisible(ConfigPart part, bool visible) override { shown[part] = visible; }
    void SetProfileList(const std::vector<std::string>& names) override { list = names; }
    void SetMasked(ConfigBox box, bool masked) override { this->masked[box] = masked; }
    void ShowMessage(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
    }
    bool AskYesNo(const std::string& text, const std::string& title) override {
        messages.push_back(title + ": " + text);
        const bool yes = answers.empty() || answers.front();
        if (!answers.empty()) {
            answers.erase(answers.begin());
        }
        return yes;
    }
    void Unload() override { unloaded = true; }

    std::map<ConfigBox, std::string> boxes;
    std::map<ConfigPart, bool> shown;
    std::map<ConfigBox, bool> masked;
    std::vector<std::string> list;
    std::vector<std::string> messages;
    std::vector<bool> answers;  // for the Yes/No questions in turn; Yes when none is left
    bool unloaded = false;
};

struct RecordingInstructions : Instructions {
    void ShowInstructions(const std::string& start, const std::string& end) override {
        shown.emplace_back(start, end);
    }
    std::vector<std::pair<std::string, std::string>> shown;
};

class ConfigUploadFormTest : public ::testing::Test {
protected:
    static constexpr const char* kFolder = "C:\\Qel\\";
    static constexpr const char* kNotSet =
        "Warning: Data as changed but not set. Are you sure you want to exit?";
    static constexpr const char* kNotSaved =
        "Warning: Data as changed but not saved. Are you sure you want to exit?";

    ConfigUploadFormTest() {
        state.ProgramFolder = "C:\\Program Files\\Pellucor\\";
        state.SettingsFolder = kFolder;
        state.DestURL = "old.example.com";
        state.UserName = "old";
        state.Password = "oldpw";
        state.DestPath = "/old/";
        form.Form_Load();
    }
    // What the window does when the user types: the box changes and says so.
    void Type(ConfigBox box, const std::string& text) {
        view.SetText(box, text);
        form.ValueBox_Change();
    }
    std::vector<std::string> Exit() {
        view.messages.clear();
        form.Command3_Click();
        return view.messages;
    }

    ProgramState state;
    FakeMainView mainView;
    FakeFileSystem files;
    RecordingInstructions help;
    FakeConfigView view;
    ConfigUploadForm form{ConfigUploadParts{state, mainView, files, help}, view};
};

TEST_F(ConfigUploadFormTest, ExitAsksAboutEditsThatWereNeitherSetNorSaved) {
    EXPECT_EQ(view.Text(ConfigBox::txtURL), "old.example.com");
    EXPECT_EQ(view.Text(ConfigBox::txtPathName), "/old/");
    EXPECT_TRUE(Exit().empty());  // filling the boxes is no edit
    EXPECT_TRUE(view.unloaded);

    view.unloaded = false;
    Type(ConfigBox::txtURL, "new.example.com");
    view.answers = {false};
    EXPECT_EQ(Exit(), std::vector<std::string>{kNotSet});
    EXPECT_FALSE(view.unloaded);
    view.answers = {true, false};
    EXPECT_EQ(Exit(), (std::vector<std::string>{kNotSet, kNotSaved}));
    EXPECT_FALSE(view.unloaded);

    form.Command4_Click();  // Set applies the boxes as typed, and nothing else
    EXPECT_EQ(state.DestURL, "new.example.com");
    EXPECT_EQ(state.HostChoices, 1u);
    EXPECT_TRUE(files.files.empty());
    EXPECT_EQ(Exit(), std::vector<std::string>{kNotSaved});
    EXPECT_TRUE(view.unloaded);
    EXPECT_EQ(mainView.LastStatus(),
              StatusMessage("Configuration information updated", StatusColour::Highlight));

    form.Form_Load();  // set without a password: nothing to report as complete
    Type(ConfigBox::txtPassword, "");
    form.Command4_Click();
    mainView.statusHistory.clear();
    EXPECT_EQ(Exit(), std::vector<std::string>{kNotSaved});
    EXPECT_TRUE(mainView.statusHistory.empty());
}

TEST_F(ConfigUploadFormTest, OkSavesWhatTheBoxesShowWithoutApplyingIt) {
    Type(ConfigBox::txtURL, "www.files.shed.net");
    Type(ConfigBox::txtPassword, "");
    form.Command1_Click();
    EXPECT_TRUE(view.shown[ConfigPart::txtFileName] && view.shown[ConfigPart::cmdOK]);
    EXPECT_EQ(view.Text(ConfigBox::txtFileName), "shed");

    view.SetText(ConfigBox::txtFileName, "");
    form.cmdOK_Click();
    EXPECT_EQ(view.messages, std::vector<std::string>{"Error: You must provide a file name."});
    EXPECT_TRUE(view.shown[ConfigPart::cmdOK]);

    view.SetText(ConfigBox::txtFileName, "shed");
    files.openErrors[std::string(kFolder) + "shed.uci"] = FakeFileSystem::OtherError("Disk full");
    form.cmdOK_Click();  // a profile that could not be written is not named anywhere
    EXPECT_EQ(mainView.LastStatus(), StatusMessage("Disk full saving shed", StatusColour::Failure));
    EXPECT_TRUE(view.shown[ConfigPart::cmdOK]);
    EXPECT_EQ(state.CurrentFile, "");

    files.openErrors.clear();
    // A line break in a value would go out as a command of its own: refused in red at Ok and
    // at Set, nothing written or applied, the dialog as it was.
    view.SetText(ConfigBox::txtPathName, "/old/\nDELE x");
    const StatusMessage refusal(
        "The remote folder or page name holds a line break or a NUL "
        "character, which FTP cannot send",
        StatusColour::Failure);
    form.cmdOK_Click();
    EXPECT_EQ(mainView.LastStatus(), refusal);
    form.Command4_Click();
    EXPECT_EQ(mainView.LastStatus(), refusal);
    view.SetText(ConfigBox::txtPathName, "/old/");
    EXPECT_TRUE(view.shown[ConfigPart::cmdOK]);
    EXPECT_EQ(state.DestURL, "old.example.com");
    EXPECT_EQ(state.CurrentFile, "");
    EXPECT_EQ(state.HostChoices, 0u);  // a refused Set or Ok chooses nothing
    form.cmdOK_Click();
    EXPECT_EQ(state.HostChoices, 1u);
    EXPECT_FALSE(view.shown[ConfigPart::cmdOK] || view.shown[ConfigPart::lblFilename] ||
                 view.shown[ConfigPart::txtFileName]);
    EXPECT_EQ(state.CurrentFile, "shed");
    EXPECT_EQ(files.files[std::string(kFolder) + "shed.uci"],
              "Pellucor hosts\r\n" + Scramble("old") + "\r\n" + Scramble("www.files.shed.net") +
                  "\r\n\r\n" + Scramble("/old/") + "\r\n");
    EXPECT_EQ(files.files[std::string(kFolder) + "Leq.ini"].substr(0, 6), "shed\r\n");
    EXPECT_EQ(state.DestURL, "old.example.com");  // not applied
    EXPECT_EQ(Exit(), std::vector<std::string>{kNotSet});
}

TEST_F(ConfigUploadFormTest, PickingAProfileLoadsSetsAndNamesIt) {
    ASSERT_FALSE(SaveHostProfile(files, kFolder, "lab", "ann", "lab.org", "pw", "/lab/"));
    files.files[std::string(kFolder) + "lab.uci.uci"] = "x";
    files.files[std::string(kFolder) + "hidden.uci"] = "x";
    files.hiddenFiles.insert(std::string(kFolder) + "hidden.uci");
    files.files[std::string(kFolder) + "notes.txt"] = "x";
    files.files[state.ProgramFolder + "old.uci"] = "x";    // an earlier install's
    files.files[std::string(kFolder) + "Łódź.uci"] = "x";  // the code page has no "Ł", "ź"
    files.textsOfPaths["Łódź"] = "Lodz";
    form.Command2_Click();
    EXPECT_EQ(view.list, (std::vector<std::string>{"lab", "lab.uci"}));
    EXPECT_TRUE(view.shown[ConfigPart::cmbFileName] && view.shown[ConfigPart::lblFilename]);

    form.cmbFileName_Click("..\\lab.uci");  // refused: the dialog and the state stay as they are
    EXPECT_EQ(mainView.LastStatus(),
              StatusMessage("Not a usable profile name: ..\\lab", StatusColour::Failure));
    EXPECT_TRUE(files.readPaths.empty());
    EXPECT_TRUE(view.shown[ConfigPart::cmbFileName]);
    EXPECT_EQ(state.CurrentFile, "");
    EXPECT_FALSE(form.DataSet || form.DataSaved || form.DataChanged);

    form.cmbFileName_Click("lab.uci.uci");  // every trailing extension goes
    EXPECT_EQ(state.CurrentFile, "lab");
    EXPECT_EQ(view.Text(ConfigBox::txtURL), "lab.org");
    EXPECT_EQ(view.Text(ConfigBox::txtUserName), "ann");
    EXPECT_FALSE(view.shown[ConfigPart::cmbFileName]);
    EXPECT_GE(mainView.doEventsCalls, 1);
    EXPECT_EQ(files.files[std::string(kFolder) + "Leq.ini"].substr(0, 5), "lab\r\n");
    EXPECT_TRUE(Exit().empty());
    EXPECT_EQ(mainView.LastStatus().first, "Configuration information updated");

    // Enter in the name box loads what the list's box says but counts as neither set nor saved;
    // boxes that already show the profile's values are no edit.
    form.Form_Load();
    view.SetText(ConfigBox::cmbFileName, "lab");
    form.txtFileName_KeyPress(13);
    EXPECT_FALSE(form.DataChanged);
    view.SetText(ConfigBox::cmbFileName, "Com3");
    form.txtFileName_KeyPress(13);
    EXPECT_EQ(mainView.LastStatus(),
              StatusMessage("Not a usable profile name: Com3", StatusColour::Failure));
    EXPECT_EQ(state.CurrentFile, "lab");
    view.SetText(ConfigBox::cmbFileName, "gone");
    form.txtFileName_KeyPress('a');
    EXPECT_EQ(state.CurrentFile, "lab");
    form.txtFileName_KeyPress(13);
    EXPECT_EQ(mainView.LastStatus(), StatusMessage("gone file not found", StatusColour::Failure));
    EXPECT_FALSE(form.DataSet || form.DataSaved);

    form.Command5_Click();
    ASSERT_EQ(help.shown.size(), 1u);
    EXPECT_EQ(help.shown[0].first, "There are text boxes for four pieces of information that ");
    EXPECT_EQ(help.shown[0].second, "Back at the main screen, there ");
    form.Check1_Click(true);
    form.Check2_Click(false);
    EXPECT_FALSE(view.masked[ConfigBox::txtPassword]);
    EXPECT_TRUE(view.masked[ConfigBox::txtUserName]);
}

}  // namespace
}  // namespace qel
