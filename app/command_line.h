// The program's own options and the check that a window can be shown at
// all, both decided before the App starts.
#pragma once

#include <cstdio>

namespace qn {

// Answers --help, --version and unknown options (any argument starting with
// "-"): writes to `out` or `err` and returns the exit status. Returns -1
// when the arguments ask the program to run.
int AnswerCommandLineOptions(int argc, char** argv, FILE* out, FILE* err);

// Where there is no display, SDL quietly falls back to a video driver that
// draws nowhere and the program would run unseen. That fallback is only
// allowed when a driver was asked for by name (SDL_VIDEODRIVER), as the
// headless tests and the screenshot script do.
bool WindowCanBeShown(const char* requestedDriver, const char* chosenDriver);

}  // namespace qn
