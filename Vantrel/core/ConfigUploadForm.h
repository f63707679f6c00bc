// The behaviour of the host configuration dialog: the four host values typed, applied to the
// running program (Set), saved as a named host profile (Save, Ok) and picked from the saved
// ones (Load, the list, Enter in the name box), with warnings on Exit about edits neither
// applied nor saved.
#pragma once

#include <string>

#include "FileSystem.h"
#include "Instructions.h"
#include "MainView.h"
#include "ProgramState.h"
#include "ConfigUploadView.h"

namespace qel {

// The profile name proposed for a server address: "www." or "ftp." dropped, then "files.",
// then everything from the first remaining dot ("www.files.example.com" -> "example").
std::string SuggestProfileName(std::string url);

// The section of the instructions that explains this dialog.
inline constexpr const char* kDialogHelpStart =
    "There are text boxes for four pieces of information that ";
inline constexpr const char* kDialogHelpEnd = "Back at the main screen, there ";

struct ConfigUploadParts {
    ProgramState& state;
    MainView& mainView;  // its status line, and the page settings saved with the settings file
    FileSystem& files;
    Instructions& help;
};

class ConfigUploadForm {
public:
    ConfigUploadForm(const ConfigUploadParts& parts, ConfigUploadView& view);

    // Fills the boxes from the program state; the filling is no edit.
    void Form_Load();
    // The user changed the text of one of the four value boxes.
    void ValueBox_Change() { DataChanged = true; }
    void Check1_Click(bool checked) { view_.SetMasked(ConfigBox::txtPassword, !checked); }
    void Check2_Click(bool checked) { view_.SetMasked(ConfigBox::txtUserName, !checked); }
    void Command4_Click();  // Set
    void Command1_Click();  // Save
    void cmdOK_Click();     // Ok
    void Command2_Click();  // Load
    void cmbFileName_Click(const std::string& entry);
    void txtFileName_KeyPress(int keyAscii);
    void Command3_Click();  // Exit
    void Command5_Click();  // Help

    bool DataChanged = false;  // the boxes may differ from what was applied or saved
    bool DataSet = false;      // the boxes were applied to the program state
    bool DataSaved = false;    // a profile file was written or read

private:
    void FillBoxes();
    void PutText(ConfigBox box, const std::string& text);
    // Shows the refusal and answers true when the name is unusable.
    bool RefuseUnusableName(const std::string& name);
    // False when the name was refused and nothing changed.
    bool LoadProfileNamed(const std::string& entry);

    ProgramState& state_;
    MainView& mainView_;
    FileSystem& files_;
    Instructions& help_;
    ConfigUploadView& view_;
};

}  // namespace qel
