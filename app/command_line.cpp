#include "app/command_line.h"

#include <cstring>

namespace qn {
namespace {

const char kUsage[] =
    "Usage: quillnote [SONG.qnt]\n"
    "       quillnote --help | --version\n"
    "Quillnote: a music tracker for four-voice Amiga chip music.\n"
    "Opens SONG.qnt (up to 1 MiB) at start-up when it is given.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and exit\n";

}  // namespace

int AnswerCommandLineOptions(int argc, char** argv, FILE* out, FILE* err) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-') continue;
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            std::fputs(kUsage, out);
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0) {
            std::fputs("quillnote " QUILLNOTE_VERSION "\n", out);
            return 0;
        }
        std::fprintf(err, "quillnote: unknown option '%s'\n", argument);
        std::fputs(kUsage, err);
        return 2;
    }
    return -1;
}

bool WindowCanBeShown(const char* requestedDriver, const char* chosenDriver) {
    if (requestedDriver && requestedDriver[0]) return true;
    if (!chosenDriver) return false;
    return std::strcmp(chosenDriver, "offscreen") != 0 && std::strcmp(chosenDriver, "dummy") != 0;
}

}  // namespace qn
