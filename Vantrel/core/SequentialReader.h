// Reads the lines and fields of a small text file (the settings file, the host profiles) from
// its bytes, by these rules:
// - a line ends at CR; an LF right after the CR is skipped; a lone LF belongs to the line;
// - the last line may lack a line end;
// - reading when nothing is left is an error "Input past end of file".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "FileSystem.h"

namespace qel {

inline constexpr std::string_view kInputPastEndOfFile = "Input past end of file";

// The outcome of one read: the value, or the error that stopped it (value then empty / 0).
template <typename T>
struct ReadResult {
    T value{};
    std::optional<FileError> error;
    bool Ok() const { return !error.has_value(); }
};

class SequentialReader {
public:
    explicit SequentialReader(std::string bytes) : data_(std::move(bytes)) {}

    bool AtEnd() const { return pos_ >= data_.size(); }

    // The rest of the current line, without its line end; the reader moves past the line end.
    ReadResult<std::string> LineInput();

    // One comma-delimited field. Leading blanks (space, tab) are skipped. A field that starts
    // with a double quote runs to the closing quote (or to the line end when there is none);
    // the reader then moves past whatever follows up to the next comma or line end. Any other
    // field ends at the first comma or the line end, trailing blanks kept. The reader moves
    // past the comma or the line end that ended the field.
    ReadResult<std::string> DelimitedField();

    // A delimited field read as a number by NumericValue.
    ReadResult<double> NumericField();

private:
    static FileError PastEnd();
    // Moves past a CR at the reading position and an LF right after it.
    void SkipLineEnd();
    // The position of the next CR at or after `from`, or the end of the data.
    std::size_t LineEndFrom(std::size_t from) const;

    std::string data_;
    std::size_t pos_ = 0;
};

}  // namespace qel
