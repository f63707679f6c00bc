// The behaviour of the host configuration dialog.
#include "ConfigUploadForm.h"

#include <string_view>

#include "HostProfile.h"
#include "SettingsFile.h"

namespace qel {

namespace {

bool DropPrefix(std::string& text, std::string_view prefix) {
    if (text.rfind(prefix, 0) != 0) {
        return false;
    }
    text.erase(0, prefix.size());
    return true;
}

// A name chosen from the list may carry the extension once more than the listing removed.
std::string WithoutProfileExtensions(std::string name) {
    const std::string_view ext = kProfileExtension;
    while (name.size() >= ext.size() &&
           name.compare(name.size() - ext.size(), ext.size(), ext) == 0) {
        name.erase(name.size() - ext.size());
    }
    return name;
}

// Shows the refusal in red and answers true when a box holds what no FTP command can carry.
bool RefuseUnsendableValues(ConfigUploadView& view, StatusLine& status) {
    const auto refused =
        RefusedHostValuesText(view.Text(ConfigBox::txtUserName), view.Text(ConfigBox::txtPassword),
                              view.Text(ConfigBox::txtPathName));
    if (refused) {
        status.ShowStatus(*refused, StatusColour::Failure);
    }
    return refused.has_value();
}

}  // namespace

std::string SuggestProfileName(std::string url) {
    if (!DropPrefix(url, "www.")) {
        DropPrefix(url, "ftp.");
    }
    DropPrefix(url, "files.");
    if (const auto dot = url.find('.'); dot != std::string::npos) {
        url.erase(dot);
    }
    return url;
}

ConfigUploadForm::ConfigUploadForm(const ConfigUploadParts& parts, ConfigUploadView& view)
    : state_(parts.state),
      mainView_(parts.mainView),
      files_(parts.files),
      help_(parts.help),
      view_(view) {}

void ConfigUploadForm::Form_Load() {
    FillBoxes();
    DataChanged = false;
    DataSet = false;
    DataSaved = false;
}

void ConfigUploadForm::FillBoxes() {
    PutText(ConfigBox::txtURL, state_.DestURL);
    PutText(ConfigBox::txtUserName, state_.UserName);
    PutText(ConfigBox::txtPassword, state_.Password);
    PutText(ConfigBox::txtPathName, state_.DestPath);
}

void ConfigUploadForm::PutText(ConfigBox box, const std::string& text) {
    // A box that already shows the text is left alone: only a different text is a change.
    if (view_.Text(box) != text) {
        view_.SetText(box, text);
        DataChanged = true;
    }
}

void ConfigUploadForm::Command4_Click() {
    // Nothing is applied then: the dialog stays as it is, for the user to mend the value.
    if (RefuseUnsendableValues(view_, mainView_)) {
        return;
    }
    state_.DestURL = view_.Text(ConfigBox::txtURL);
    state_.UserName = view_.Text(ConfigBox::txtUserName);
    state_.Password = view_.Text(ConfigBox::txtPassword);
    state_.DestPath = view_.Text(ConfigBox::txtPathName);
    DataSet = true;
    ++state_.HostChoices;
}

void ConfigUploadForm::Command1_Click() {
    view_.SetVisible(ConfigPart::lblFilename, true);
    view_.SetVisible(ConfigPart::txtFileName, true);
    view_.SetVisible(ConfigPart::cmdOK, true);
    view_.SetText(ConfigBox::txtFileName, SuggestProfileName(view_.Text(ConfigBox::txtURL)));
}

void ConfigUploadForm::cmdOK_Click() {
    const std::string name = view_.Text(ConfigBox::txtFileName);
    if (name.empty()) {
        view_.ShowMessage("You must provide a file name.", "Error");
        return;
    }
    if (RefuseUnusableName(name) || RefuseUnsendableValues(view_, mainView_)) {
        return;
    }
    // The file holds what the boxes show, whether or not they were applied with Set.
    if (auto error =
            SaveHostProfile(files_, state_.SettingsFolder, name, view_.Text(ConfigBox::txtUserName),
                            view_.Text(ConfigBox::txtURL), view_.Text(ConfigBox::txtPassword),
                            view_.Text(ConfigBox::txtPathName))) {
        // Naming a profile that was never written would lose the user's values at the next
        // start; the dialog stays as it is so the user can try another name or folder.
        mainView_.ShowStatus(error->description + " saving " + name, StatusColour::Failure);
        return;
    }
    state_.CurrentFile = name;
    ++state_.HostChoices;
    SaveSettings(state_, mainView_, files_);
    DataSaved = true;
    view_.SetVisible(ConfigPart::lblFilename, false);
    view_.SetVisible(ConfigPart::txtFileName, false);
    view_.SetVisible(ConfigPart::cmdOK, false);
}

void ConfigUploadForm::Command2_Click() {
    std::vector<std::string> names;
    const std::string_view ext = kProfileExtension;
    for (std::string& file : files_.ListFiles(state_.SettingsFolder + "*" + std::string(ext))) {
        file.erase(file.size() >= ext.size() ? file.size() - ext.size() : 0);
        // Only names the texts' code page holds: another would come back from the list as
        // another profile's name (a best fit) or none, and the settings file could not keep it.
        std::string name = files_.TextFromPath(file);
        if (files_.PathFromText(name) == file) {
            names.push_back(std::move(name));
        }
    }
    view_.SetProfileList(names);
    view_.SetVisible(ConfigPart::cmbFileName, true);
    view_.SetVisible(ConfigPart::lblFilename, true);
}

bool ConfigUploadForm::RefuseUnusableName(const std::string& name) {
    if (IsUsableProfileName(name)) {
        return false;
    }
    mainView_.ShowStatus(RefusedProfileNameText(name), StatusColour::Failure);
    return true;
}

bool ConfigUploadForm::LoadProfileNamed(const std::string& entry) {
    // An empty name loads nothing and names no profile; a name that could reach a device or
    // another folder is refused before anything changes.
    const std::string name = WithoutProfileExtensions(entry);
    if (!name.empty() && RefuseUnusableName(name)) {
        return false;
    }
    state_.CurrentFile = name;
    LoadHostProfile(state_, mainView_, files_);
    FillBoxes();
    return true;
}

void ConfigUploadForm::cmbFileName_Click(const std::string& entry) {
    if (!LoadProfileNamed(entry)) {
        return;
    }
    DataSet = true;
    ++state_.HostChoices;
    SaveSettings(state_, mainView_, files_);
    mainView_.DoEvents();
    DataSaved = true;
    view_.SetVisible(ConfigPart::cmbFileName, false);
    view_.SetVisible(ConfigPart::lblFilename, false);
}

void ConfigUploadForm::txtFileName_KeyPress(int keyAscii) {
    if (keyAscii != 13) {
        return;
    }
    if (!LoadProfileNamed(view_.Text(ConfigBox::cmbFileName))) {
        return;
    }
    SaveSettings(state_, mainView_, files_);
    view_.SetVisible(ConfigPart::cmbFileName, false);
}

void ConfigUploadForm::Command3_Click() {
    if (DataChanged && !DataSet &&
        !view_.AskYesNo("Data as changed but not set. Are you sure you want to exit?", "Warning")) {
        return;
    }
    if (DataChanged && !DataSaved &&
        !view_.AskYesNo("Data as changed but not saved. Are you sure you want to exit?",
                        "Warning")) {
        return;
    }
    if (DataChanged && DataSet && state_.HostConfigurationComplete()) {
        mainView_.ShowStatus("Configuration information updated", StatusColour::Highlight);
    }
    view_.Unload();
}

void ConfigUploadForm::Command5_Click() {
    help_.ShowInstructions(kDialogHelpStart, kDialogHelpEnd);
}

}  // namespace qel
