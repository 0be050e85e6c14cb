// The built-in file dialog: a prompt drawn over the program's window in
// which the user types a path. Return accepts it, Escape cancels; the
// prompt shows which files the request is for.
#pragma once

#include <SDL.h>

#include <string>

#include "app/file_dialog.h"

namespace qn {

class PathPrompt {
public:
    // Starts with the working directory and a slash, ready for a name.
    explicit PathPrompt(const DialogRequest& request);

    // Handles one event; returns true once the prompt is finished.
    bool HandleEvent(const SDL_Event& event);
    // Draws the prompt over whatever the renderer holds.
    void Draw(int width, int height) const;

    // "Files: *.qnt" for the filter "qnt", "Files: any" for none.
    static std::string FilterText(const DialogRequest& request);
    // "~/" at the start stands for the home folder.
    static std::string ExpandHome(const std::string& path);

    DialogRequest request;
    std::string text;
    DialogOutcome outcome = DialogOutcome::kCancel;
    bool finished = false;
};

// Runs the prompt modally in the program's window: its own event loop until
// Return or Escape. Key releases, quit requests and command events that
// arrive meanwhile are handed back to the program afterwards.
DialogOutcome RunPathPrompt(const DialogRequest& request, std::string* path, std::string* error);

}  // namespace qn
