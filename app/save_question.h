// The question asked before unsaved changes would be lost: "Save changes to
// the song?" with Save, Discard and Cancel. On the desktop it is zenity's or
// kdialog's question box, else a prompt drawn in the program's window
// (S: Save, D: Discard, Escape: Cancel, or a click on the buttons); tests
// put a scripted answer in its place.
#pragma once

#include <SDL.h>

#include <functional>
#include <string>
#include <vector>

namespace qn {

enum class SaveAnswer { kSave, kDiscard, kCancel };

constexpr const char* kSaveQuestion = "Save changes to the song?";

using SaveQuestionFunction = std::function<SaveAnswer()>;

// Asks the question: the scripted function when one is set, else the
// desktop's. A dialog that fails counts as Cancel, so nothing is lost.
SaveAnswer AskSaveChanges();
// Replaces the desktop question (tests); an empty function restores it.
void SetSaveQuestion(SaveQuestionFunction question);

// The argument lists of the external question boxes, and how their exit
// code (and, for zenity's extra button, output) reads as an answer.
std::vector<std::string> ZenityQuestionArguments();
std::vector<std::string> KdialogQuestionArguments();
SaveAnswer ZenityAnswer(int exitCode, const std::string& output);
SaveAnswer KdialogAnswer(int exitCode);

// The prompt in the program's window.
class SavePrompt {
public:
    // Handles one event; true once answered.
    bool HandleEvent(const SDL_Event& event);
    void Draw(int width, int height) const;
    // The button boxes (Save, Discard, Cancel) in logical coordinates.
    SDL_Rect ButtonRect(int index, int width, int height) const;

    SaveAnswer answer = SaveAnswer::kCancel;
    bool finished = false;
    int width = 640;
    int height = 592;
};

// Runs the prompt modally, as the built-in file dialog does.
SaveAnswer RunSavePrompt();

}  // namespace qn
