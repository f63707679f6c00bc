// What the host configuration dialog's logic sees of its window: the value boxes, the profile
// name box and list, which of the saving and choosing controls show, the masks, the message
// boxes and the main window.
#pragma once

#include <string>
#include <vector>

namespace qel {

enum class ConfigBox {
    txtURL,
    txtUserName,
    txtPassword,
    txtPathName,
    txtFileName,  // the name to save a profile under
    cmbFileName,  // the text of the profile list's edit box
};

// The controls that show only while the user saves or picks a profile.
enum class ConfigPart { lblFilename, txtFileName, cmbFileName, cmdOK };

class ConfigUploadView {
public:
    virtual ~ConfigUploadView() = default;
    virtual std::string Text(ConfigBox box) const = 0;
    virtual void SetText(ConfigBox box, const std::string& text) = 0;
    virtual void SetVisible(ConfigPart part, bool visible) = 0;
    // Replaces the entries of the profile list.
    virtual void SetProfileList(const std::vector<std::string>& names) = 0;
    // Shows the user name or password as typed (false) or as "*" (true).
    virtual void SetMasked(ConfigBox box, bool masked) = 0;
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
    virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
    // Discards the dialog and brings the main window to the front.
    virtual void Unload() = 0;
};

}  // namespace qel
