// The program's read-only data (font and icon sheets) is found next to the
// program in the build folder, or in share/quillnote/ beside the bin/
// folder it is installed in.
#pragma once

#include <string>

namespace qn {

// The path of `relative` (e.g. "fonts/base.bmp") for a program in
// `programFolder` (ending in "/", as SDL's base path does): the first of
// the two places that holds the file, else the one next to the program.
std::string FindDataFile(const std::string& programFolder, const char* relative);

}  // namespace qn
