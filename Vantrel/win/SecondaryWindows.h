// The windows Qel's main window opens from its menus: the host configuration dialog, the
// instructions window and the About box.
#pragma once

namespace qel {

class SecondaryWindows {
public:
    virtual ~SecondaryWindows() = default;
    virtual void mnuConfigureUpload_Click() = 0;
    virtual void mnuInstructions_Click() = 0;
    virtual void mnuAbout_Click() = 0;
};

}  // namespace qel
