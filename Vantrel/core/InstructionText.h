// What the instructions window shows: the instruction file beside the program, whole or the
// section between two phrases of it, or a line saying why the file could not be had.
#pragma once

#include <string>

#include "FileSystem.h"

namespace qel {

inline constexpr char kInstructionFileName[] = "Qel.txt";
inline constexpr char kInstructionsCaption[] = "Pellucor Help";
inline constexpr char kInstructionFileMissing[] =
    "*************  Unable to find instruction file.  *************";
inline constexpr char kInstructionFileUnreadable[] = "Unable to open Help file. Error = ";

// The instruction file's bytes as they stand, or one of the two failure texts.
std::string InstructionFileText(FileSystem& files, const std::string& programFolder);

// Cuts the text to begin at the first occurrence of startMarker (kept) and to end just before
// the first occurrence of endMarker after that; an empty or absent marker leaves its end uncut.
std::string CutSection(const std::string& text, const std::string& startMarker,
                       const std::string& endMarker);

}  // namespace qel
