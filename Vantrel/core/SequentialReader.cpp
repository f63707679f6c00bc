// Reading settings and profile files line by line and field by field.
#include "SequentialReader.h"

#include <algorithm>

#include "NumericValue.h"

namespace qel {

namespace {
constexpr char kCR = '\r';
constexpr char kLF = '\n';
}  // namespace

FileError SequentialReader::PastEnd() {
    return FileError{FileError::Kind::EndOfFile, std::string(kInputPastEndOfFile)};
}

void SequentialReader::SkipLineEnd() {
    if (pos_ < data_.size() && data_[pos_] == kCR) {
        ++pos_;
        if (pos_ < data_.size() && data_[pos_] == kLF) {
            ++pos_;
        }
    }
}

std::size_t SequentialReader::LineEndFrom(std::size_t from) const {
    const std::size_t cr = data_.find(kCR, from);
    return cr == std::string::npos ? data_.size() : cr;
}

ReadResult<std::string> SequentialReader::LineInput() {
    if (AtEnd()) {
        return {{}, PastEnd()};
    }
    const std::size_t end = LineEndFrom(pos_);
    std::string line = data_.substr(pos_, end - pos_);
    pos_ = end;
    SkipLineEnd();
    return {std::move(line), std::nullopt};
}

ReadResult<std::string> SequentialReader::DelimitedField() {
    if (AtEnd()) {
        return {{}, PastEnd()};
    }
    while (pos_ < data_.size() && (data_[pos_] == ' ' || data_[pos_] == '\t')) {
        ++pos_;
    }
    const std::size_t lineEnd = LineEndFrom(pos_);
    const bool quoted = pos_ < lineEnd && data_[pos_] == '"';

    // The field is data_[fieldStart, fieldEnd); the comma that ends it is looked for from
    // searchFrom on, within the line.
    std::size_t fieldStart = pos_;
    std::size_t fieldEnd = lineEnd;
    std::size_t searchFrom = pos_;
    if (quoted) {
        fieldStart = pos_ + 1;
        fieldEnd = std::min(data_.find('"', fieldStart), lineEnd);
        searchFrom = fieldEnd < lineEnd ? fieldEnd + 1 : lineEnd;
    }
    const std::size_t comma =
        std::string_view(data_).substr(searchFrom, lineEnd - searchFrom).find(',');
    const std::size_t stop = comma == std::string_view::npos ? lineEnd : searchFrom + comma;
    if (!quoted) {
        fieldEnd = stop;
    }
    std::string field = data_.substr(fieldStart, fieldEnd - fieldStart);

    if (stop < lineEnd) {
        pos_ = stop + 1;  // past the comma
    } else {
        pos_ = lineEnd;
        SkipLineEnd();
    }
    return {std::move(field), std::nullopt};
}

ReadResult<double> SequentialReader::NumericField() {
    ReadResult<std::string> field = DelimitedField();
    if (!field.Ok()) {
        return {0.0, std::move(field.error)};
    }
    return {NumericValue(field.value), std::nullopt};
}

}  // namespace qel
