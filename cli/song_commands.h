// Subcommands that create, describe and convert song files.
#pragma once

#include <string>
#include <vector>

namespace qn::cli {

int RunNew(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);

}  // namespace qn::cli
