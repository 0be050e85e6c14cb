#include <cstdio>
#include <cstring>

#include "cli/cli.h"

namespace qn::cli {

static const Command* Find(const std::string& name) {
    for (const Command& command : Commands())
        if (name == command.name) return &command;
    return nullptr;
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "quillnote-cli: %s\n", message.c_str());
    return kExitFailed;
}

int UsageError(const char* name) {
    if (const Command* command = Find(name))
        std::fprintf(stderr, "usage: quillnote-cli %s %s\n", command->name, command->usage);
    else
        std::fprintf(stderr, "quillnote-cli: unknown command '%s' (try --help)\n", name);
    return kExitUsage;
}

static void PrintHelp(FILE* out) {
    std::fprintf(out, "usage: quillnote-cli COMMAND [ARGS]\n\ncommands:\n");
    for (const Command& command : Commands())
        std::fprintf(out, "  %-8s %-40s %s\n", command.name, command.usage, command.help);
    std::fprintf(out, "\n'quillnote-cli help COMMAND' shows one command.\n");
}

}  // namespace qn::cli

int main(int argc, char** argv) {
    using namespace qn::cli;
    if (argc < 2) {
        PrintHelp(stderr);
        return kExitUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h") {
        PrintHelp(stdout);
        return kExitOk;
    }
    if (name == "help") {
        if (argc == 2) {
            PrintHelp(stdout);
            return kExitOk;
        }
        const Command* command = Find(argv[2]);
        if (!command) return UsageError(argv[2]);
        std::printf("usage: quillnote-cli %s %s\n  %s\n", command->name, command->usage, command->help);
        return kExitOk;
    }
    const Command* command = Find(name);
    if (!command) return UsageError(name.c_str());
    std::vector<std::string> args(argv + 2, argv + argc);
    return command->run(args);
}
