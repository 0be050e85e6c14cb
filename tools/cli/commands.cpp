// The command table. Subcommands live in their own files (one per concern)
// and are listed here.
#include "tools/cli/cli.h"

namespace qn::cli {

const std::vector<Command>& Commands() {
    static const std::vector<Command> table = {
    };
    return table;
}

}  // namespace qn::cli
