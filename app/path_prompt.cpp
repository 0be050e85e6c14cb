#include "app/path_prompt.h"

#include <unistd.h>

#include <cstdlib>

#include "app/app.h"
#include "app/modal_prompt.h"
#include "gui/font.h"

namespace qn {

constexpr int kPromptWidth = 600;
constexpr int kPromptHeight = 104;
constexpr int kPromptMargin = 12;
constexpr Rgba kPromptText = {255, 255, 255, 255};
constexpr Rgba kPromptHint = {166, 226, 225, 255};

PathPrompt::PathPrompt(const DialogRequest& dialogRequest) : request(dialogRequest) {
    char directory[4096];
    if (getcwd(directory, sizeof(directory))) {
        text = directory;
        if (text.empty() || text.back() != '/') text += '/';
    }
}

std::string PathPrompt::FilterText(const DialogRequest& request) {
    if (request.groups.empty()) return "Files: any";
    std::string result = "Files:";
    for (const FilterGroup& group : request.groups)
        for (const std::string& extension : group.extensions) result += " *." + extension;
    return result;
}

std::string PathPrompt::ExpandHome(const std::string& path) {
    const char* home = std::getenv("HOME");
    if (path.rfind("~/", 0) == 0 && home && *home) return std::string(home) + path.substr(1);
    return path;
}

// Removes the last UTF-8 character.
static void EraseLastCharacter(std::string& text) {
    while (!text.empty()) {
        unsigned char last = static_cast<unsigned char>(text.back());
        text.pop_back();
        if ((last & 0xc0) != 0x80) break;  // not a continuation byte: a whole character is gone
    }
}

bool PathPrompt::HandleEvent(const SDL_Event& event) {
    if (finished) return true;
    if (event.type == SDL_TEXTINPUT) {
        text += event.text.text;
    } else if (event.type == SDL_KEYDOWN) {
        switch (event.key.keysym.sym) {
            case SDLK_RETURN:
            case SDLK_KP_ENTER:
                if (!text.empty() && text.back() != '/') {
                    text = ExpandHome(text);
                    outcome = DialogOutcome::kOk;
                    finished = true;
                }
                break;
            case SDLK_ESCAPE:
                outcome = DialogOutcome::kCancel;
                finished = true;
                break;
            case SDLK_BACKSPACE:
                EraseLastCharacter(text);
                break;
            case SDLK_u:
                if (event.key.keysym.mod & KMOD_CTRL) text.clear();
                break;
            default:
                break;
        }
    } else if (event.type == SDL_QUIT) {
        outcome = DialogOutcome::kCancel;
        finished = true;
    }
    return finished;
}

void PathPrompt::Draw(int width, int height) const {
    if (!gRenderer) return;
    int boxWidth = kPromptWidth < width - 16 ? kPromptWidth : width - 16;
    SDL_Rect box = {(width - boxWidth) / 2, (height - kPromptHeight) / 2, boxWidth, kPromptHeight};
    DrawPromptBox(box, width, height);
    Font* font = gBaseFont;
    if (!font) return;
    int x = box.x + kPromptMargin;
    int y = box.y + 8;
    font->DrawText(request.save ? "Save File" : "Open File", x, y, kPromptText);
    font->DrawText(FilterText(request).c_str(), x, y + 20, kPromptHint);
    // The field shows the end of a long path, where the typing happens.
    SDL_Rect field = {x - 4, y + 42, box.w - 2 * kPromptMargin + 8, 22};
    SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 255);
    SDL_RenderFillRect(gRenderer, &field);
    size_t fits = size_t((field.w - 16) / kCharAdvance);
    std::string shown = text + "_";
    if (shown.size() > fits) shown = shown.substr(shown.size() - fits);
    font->DrawText(shown.c_str(), x, y + 45, kPromptText);
    font->DrawText("Return: OK   Escape: Cancel", x, y + 72, kPromptHint);
}

DialogOutcome RunPathPrompt(const DialogRequest& request, std::string* path, std::string* error) {
    if (!gRenderer) {
        *error = "File dialog box show failed.";
        return DialogOutcome::kError;
    }
    PathPrompt prompt(request);
    bool textInputWasActive = SDL_IsTextInputActive();
    if (!textInputWasActive) SDL_StartTextInput();
    RunModalPrompt([&prompt](const SDL_Event& event) { return prompt.HandleEvent(event); },
                   [&prompt] {
                       int width = kLogicalWidth, height = kLogicalHeight;
                       if (gApp) {
                           width = gApp->logicalWidth;
                           height = gApp->logicalHeight;
                       }
                       prompt.Draw(width, height);
                   },
                   true);
    if (!textInputWasActive) SDL_StopTextInput();
    if (prompt.outcome == DialogOutcome::kOk) *path = prompt.text;
    return prompt.outcome;
}

}  // namespace qn
