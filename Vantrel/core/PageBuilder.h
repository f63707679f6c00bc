// The text of the published page and the small transformations a block goes through before it
// becomes the page body.
#pragma once

#include <cstddef>
#include <string>

namespace qel {

// A block shorter than this gives no page.
inline constexpr std::size_t kMinimumBlockLength = 2;

// Drops everything up to and including the last end marker: "old@@@@new" -> "new". Markers
// are found from the front, each search starting just past the previous marker, so within a
// run of more than four "@" only whole groups of four count ("a@@@@@b" -> "@b").
std::string StripMarkers(std::string block);

// Each CR LF becomes "<br>" CR LF; a lone CR or a lone LF is left as it is.
std::string ConvertLineBreaks(const std::string& block);

// The whole page text for a title, a refresh text and a body (already converted). The meta
// refresh element is present only when the refresh text's numeric value is greater than 0,
// and then holds the refresh text as typed. Nothing is escaped.
std::string BuildPageText(const std::string& title, const std::string& refreshText,
                          const std::string& body);

// The bytes of the page file: the page text as one line, ended by CR LF.
std::string PageFileBytes(const std::string& pageText);

// The remote folder as the uploads use it: beginning and ending with "/" ("" -> "/").
std::string NormaliseDestPath(std::string destPath);

}  // namespace qel
