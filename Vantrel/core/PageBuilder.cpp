// The HTML page made from a block of device text.
#include "PageBuilder.h"

#include "BlockTakeOut.h"
#include "NumericValue.h"

namespace qel {

std::string StripMarkers(std::string block) {
    std::size_t keepFrom = 0;
    for (std::size_t at = block.find(kEndMarker); at != std::string::npos;
         at = block.find(kEndMarker, keepFrom)) {
        keepFrom = at + kEndMarker.size();
    }
    block.erase(0, keepFrom);
    return block;
}

std::string ConvertLineBreaks(const std::string& block) {
    std::string converted;
    converted.reserve(block.size());
    for (std::size_t i = 0; i < block.size(); ++i) {
        if (block[i] == '\r' && i + 1 < block.size() && block[i + 1] == '\n') {
            converted += "<br>";
        }
        converted += block[i];
    }
    return converted;
}

std::string BuildPageText(const std::string& title, const std::string& refreshText,
                          const std::string& body) {
    std::string page =
        "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">"
        "<html><head><title>";
    page += title;
    page += "</title><br>";
    if (NumericValue(refreshText) > 0) {
        page += "<meta http-equiv=\"refresh\" content=\"";
        page += refreshText;
        page += "\" >";
    }
    page += "</head><br><body><br>";
    page += body;
    page += "</body></html>";
    return page;
}

std::string PageFileBytes(const std::string& pageText) {
    return pageText + "\r\n";
}

std::string NormaliseDestPath(std::string destPath) {
    if (!destPath.starts_with('/')) {
        destPath.insert(destPath.begin(), '/');
    }
    if (!destPath.ends_with('/')) {
        destPath += '/';
    }
    return destPath;
}

}  // namespace qel
