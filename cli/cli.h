// quillnote-cli: a thin front end over the song and engine library.
#pragma once

#include <string>
#include <vector>

namespace qn::cli {

// Exit statuses shared by every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;  // a file could not be read, is not a song, or could not be written
constexpr int kExitUsage = 2;

struct Command {
    const char* name;
    const char* usage;  // arguments, e.g. "SONG OUT.wav [--stereo mono|half|full]"
    const char* help;   // one line
    int (*run)(const std::vector<std::string>& args);
};

// The command table; each subcommand file adds its entries here.
const std::vector<Command>& Commands();

// Prints "quillnote-cli: MESSAGE" on standard error and returns kExitFailed.
int Fail(const std::string& message);
// Prints the usage line of `command` on standard error and returns kExitUsage.
int UsageError(const char* command);

}  // namespace qn::cli
