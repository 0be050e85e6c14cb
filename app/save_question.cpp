#include "app/save_question.h"

#include <cstdlib>

#include "app/app.h"
#include "app/file_dialog.h"
#include "app/modal_prompt.h"
#include "gui/font.h"

namespace qn {

constexpr const char* kSaveLabel = "Save";
constexpr const char* kDiscardLabel = "Discard";
constexpr const char* kCancelLabel = "Cancel";
constexpr int kPromptWidth = 320;
constexpr int kPromptHeight = 96;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 22;
constexpr Rgba kPromptText = {255, 255, 255, 255};
constexpr Rgba kPromptHint = {166, 226, 225, 255};

static SaveQuestionFunction gSaveQuestion;

void SetSaveQuestion(SaveQuestionFunction question) { gSaveQuestion = std::move(question); }

std::vector<std::string> ZenityQuestionArguments() {
    return {"zenity",
            "--question",
            "--title=Quillnote",
            std::string("--text=") + kSaveQuestion,
            std::string("--ok-label=") + kSaveLabel,
            std::string("--cancel-label=") + kCancelLabel,
            std::string("--extra-button=") + kDiscardLabel};
}

std::vector<std::string> KdialogQuestionArguments() {
    return {"kdialog",   "--title",   "Quillnote",  "--yes-label",  kSaveLabel, "--no-label",
            kDiscardLabel, "--cancel-label", kCancelLabel, "--warningyesnocancel", kSaveQuestion};
}

SaveAnswer ZenityAnswer(int exitCode, const std::string& output) {
    if (exitCode == 0) return SaveAnswer::kSave;
    // The extra button exits like Cancel but prints its label.
    if (exitCode == 1 && output.rfind(kDiscardLabel, 0) == 0) return SaveAnswer::kDiscard;
    return SaveAnswer::kCancel;
}

SaveAnswer KdialogAnswer(int exitCode) {
    if (exitCode == 0) return SaveAnswer::kSave;
    if (exitCode == 1) return SaveAnswer::kDiscard;
    return SaveAnswer::kCancel;
}

SaveAnswer AskSaveChanges() {
    if (gSaveQuestion) return gSaveQuestion();
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((x11 && *x11) || (wayland && *wayland)) {
        std::string output;
        int exitCode = -1;
        if (RunDialogProgram(ZenityQuestionArguments(), &output, &exitCode)) return ZenityAnswer(exitCode, output);
        if (RunDialogProgram(KdialogQuestionArguments(), &output, &exitCode)) return KdialogAnswer(exitCode);
    }
    return RunSavePrompt();
}

SDL_Rect SavePrompt::ButtonRect(int index, int screenWidth, int screenHeight) const {
    int boxX = (screenWidth - kPromptWidth) / 2;
    int boxY = (screenHeight - kPromptHeight) / 2;
    int gap = (kPromptWidth - 3 * kButtonWidth) / 4;
    return SDL_Rect{boxX + gap + index * (kButtonWidth + gap), boxY + kPromptHeight - kButtonHeight - 12,
                    kButtonWidth, kButtonHeight};
}

bool SavePrompt::HandleEvent(const SDL_Event& event) {
    if (finished) return true;
    auto answerWith = [this](SaveAnswer chosen) {
        answer = chosen;
        finished = true;
    };
    if (event.type == SDL_KEYDOWN) {
        switch (event.key.keysym.sym) {
            case SDLK_s:
            case SDLK_RETURN:
            case SDLK_KP_ENTER:
                answerWith(SaveAnswer::kSave);
                break;
            case SDLK_d:
                answerWith(SaveAnswer::kDiscard);
                break;
            case SDLK_ESCAPE:
            case SDLK_c:
                answerWith(SaveAnswer::kCancel);
                break;
            default:
                break;
        }
    } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
        static const SaveAnswer kAnswers[3] = {SaveAnswer::kSave, SaveAnswer::kDiscard, SaveAnswer::kCancel};
        SDL_Point point = {event.button.x, event.button.y};
        for (int i = 0; i < 3; ++i) {
            SDL_Rect rect = ButtonRect(i, width, height);
            if (SDL_PointInRect(&point, &rect)) answerWith(kAnswers[i]);
        }
    } else if (event.type == SDL_QUIT) {
        // Closing the window again while asked: the question stays open
        // rather than guess; Escape or Cancel ends it.
    }
    return finished;
}

void SavePrompt::Draw(int screenWidth, int screenHeight) const {
    if (!gRenderer) return;
    SDL_Rect box = {(screenWidth - kPromptWidth) / 2, (screenHeight - kPromptHeight) / 2, kPromptWidth, kPromptHeight};
    DrawPromptBox(box, screenWidth, screenHeight);
    Font* font = gBaseFont;
    if (!font) return;
    font->DrawText(kSaveQuestion, box.x + (box.w - font->TextWidth(kSaveQuestion)) / 2, box.y + 12, kPromptText);
    const char* hint = "S: Save   D: Discard   Escape: Cancel";
    font->DrawText(hint, box.x + (box.w - font->TextWidth(hint)) / 2, box.y + 32, kPromptHint);
    const char* labels[3] = {kSaveLabel, kDiscardLabel, kCancelLabel};
    for (int i = 0; i < 3; ++i) {
        SDL_Rect rect = ButtonRect(i, screenWidth, screenHeight);
        SDL_SetRenderDrawColor(gRenderer, 0, 0, 0, 255);
        SDL_RenderFillRect(gRenderer, &rect);
        SDL_SetRenderDrawColor(gRenderer, 235, 235, 235, 255);
        SDL_RenderDrawRect(gRenderer, &rect);
        font->DrawText(labels[i], rect.x + (rect.w - font->TextWidth(labels[i])) / 2, rect.y + 3, kPromptText);
    }
}

SaveAnswer RunSavePrompt() {
    if (!gRenderer) return SaveAnswer::kCancel;
    SavePrompt prompt;
    if (gApp) {
        prompt.width = gApp->logicalWidth;
        prompt.height = gApp->logicalHeight;
    }
    // A quit while asked is not handed back: the question stays open.
    RunModalPrompt([&prompt](const SDL_Event& event) { return prompt.HandleEvent(event); },
                   [&prompt] { prompt.Draw(prompt.width, prompt.height); }, false);
    return prompt.answer;
}

}  // namespace qn
