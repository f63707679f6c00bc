// The instructions window as the rest of Qel sees it: show the instruction text, whole or the
// section between two phrases of it.
#pragma once

#include <string>

namespace qel {

class Instructions {
public:
    virtual ~Instructions() = default;
    // An empty marker leaves the text uncut at that end.
    virtual void ShowInstructions(const std::string& startMarker, const std::string& endMarker) = 0;
};

}  // namespace qel
