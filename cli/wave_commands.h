// Subcommands that look at a song's precalculated waves.
#pragma once

#include <string>
#include <vector>

namespace qn::cli {

// waves SONG DIR [--raw]
int RunWaves(const std::vector<std::string>& args);

}  // namespace qn::cli
