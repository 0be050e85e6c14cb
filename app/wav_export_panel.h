// "Export Wav" in the program: the save dialog, the render under the audio
// lock with the callback kept out, and the modal progress panel (a bar and
// "Abort") that a nested frame redraws at most 30 times a second while the
// song renders faster than real time.
#pragma once

#include <functional>
#include <string>

namespace qn {

constexpr int kExportPanelWidth = 200;
constexpr int kExportPanelHeight = 64;

// The name written: ".wav" is appended unless the chosen name is at least
// five characters long and already ends in ".wav" (case-sensitive).
std::string WavFilePath(const std::string& chosen);

// Knobs of the nested frame: the shortest time between two refreshes, and
// a function run at the start of each nested frame (tests push events from
// it). Both are process-wide.
struct ExportPanelSettings {
    static double refreshSeconds;
    static std::function<void(int frame)> onFrame;
};

}  // namespace qn
