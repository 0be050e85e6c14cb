// quillnote-cli optimize: the song optimizer on a song file.
#pragma once

#include <string>
#include <vector>

namespace qn::cli {

int RunOptimize(const std::vector<std::string>& args);

}  // namespace qn::cli
