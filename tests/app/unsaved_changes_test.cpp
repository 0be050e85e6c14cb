// The changed state, the question before a song is replaced or the program
// quits (each command with each answer), and the window title's mark.
#include "app/save_question.h"
#include "app_harness.h"
#include "scripted_dialog.h"

namespace qn::testing {
namespace {

const std::string kDemoSong = std::string(QUILLNOTE_SOURCE_DIR) + "/songs/demo.qnt";
constexpr int kWindowClose = -1;  // an SDL_QUIT event instead of a command

struct ScriptedQuestion {
    ScriptedQuestion() {
        SetSaveQuestion([this] {
            ++asked;
            return answer;
        });
    }
    ~ScriptedQuestion() { SetSaveQuestion({}); }
    SaveAnswer answer = SaveAnswer::kCancel;
    int asked = 0;
};

TEST(UnsavedChanges, PlayingAndSavingAreNoChangeAndTheTitleMarksAnEdit) {
    AppHarness h({}, kDemoSong.c_str());
    ASSERT_TRUE(h.started);
    h.app->changeCheckSeconds = 0.0;
    h.Frame(20);  // the demo plays from start-up
    EXPECT_FALSE(h.app->SongChanged());
    std::string title = SDL_GetWindowTitle(h.app->window);
    EXPECT_EQ(title.substr(title.size() - 2) == " *", false) << title;

    h.app->document->song.Pattern(1)[0].SetNote(13);
    h.Frame();
    title = SDL_GetWindowTitle(h.app->window);
    EXPECT_EQ(title.substr(title.size() - 2), " *");
    ScriptedDialog dialog;
    dialog.Choose("copy.qnt");
    h.Command(kCommandSaveSongAs);
    h.Frame();
    EXPECT_FALSE(h.app->SongChanged());
    EXPECT_NE(std::string(SDL_GetWindowTitle(h.app->window)).back(), '*');
}

TEST(UnsavedChanges, EachCommandWithEachAnswer) {
    AppHarness h;
    ASSERT_TRUE(h.started);
    ScriptedQuestion question;
    ScriptedDialog dialog;
    const int commands[] = {kCommandQuit,     kWindowClose,   kCommandNewSong, kCommandNewSongKeepInstruments,
                            kCommandLoadSong, kCommandImportProTracker, kCommandImportQxm};
    const SaveAnswer answers[] = {SaveAnswer::kSave, SaveAnswer::kDiscard, SaveAnswer::kCancel};
    for (int command : commands) {
        for (SaveAnswer answer : answers) {
            SCOPED_TRACE(::testing::Message() << "command " << command << " answer " << int(answer));
            // A saved song, then an edit.
            h.app->RememberSongPath("song.qnt");
            ASSERT_TRUE(h.app->SaveSong("song.qnt"));
            h.app->MarkSongSaved();
            std::string savedBytes = h.ReadFile("song.qnt");
            qntPatternStep& step = h.app->document->song.Pattern(1)[5];
            const int edited = step.Note() == 30 ? 31 : 30;
            step.SetNote(edited);
            ASSERT_TRUE(h.app->SongChanged());
            question.asked = 0;
            question.answer = answer;
            dialog.requests.clear();

            if (command == kWindowClose) {
                SDL_Event event;
                SDL_zero(event);
                event.type = SDL_QUIT;
                h.Push(event);
            } else {
                h.Command(command);
            }
            bool quit = h.Frame();
            h.app->quit = false;
            EXPECT_EQ(question.asked, 1);
            bool goesOn = answer != SaveAnswer::kCancel;
            EXPECT_EQ(h.ReadFile("song.qnt") != savedBytes, answer == SaveAnswer::kSave);
            bool quits = command == kCommandQuit || command == kWindowClose;
            EXPECT_EQ(quit, quits && goesOn);
            bool asksForFile = command == kCommandLoadSong || command == kCommandImportProTracker ||
                               command == kCommandImportQxm;
            EXPECT_EQ(dialog.requests.size(), asksForFile && goesOn ? 1u : 0u);
            bool replaced = (command == kCommandNewSong || command == kCommandNewSongKeepInstruments) && goesOn;
            EXPECT_EQ(h.app->document->song.Pattern(1)[5].Note() == edited, !replaced);
        }
    }
    // An unchanged song is not asked about.
    question.asked = 0;
    h.app->MarkSongSaved();
    h.Command(kCommandNewSong);
    h.Command(kCommandQuit);
    EXPECT_TRUE(h.Frame());
    EXPECT_EQ(question.asked, 0);
}

TEST(UnsavedChanges, QuestionBoxesReadTheirAnswers) {
    EXPECT_EQ(ZenityAnswer(0, ""), SaveAnswer::kSave);
    EXPECT_EQ(ZenityAnswer(1, "Discard\n"), SaveAnswer::kDiscard);
    EXPECT_EQ(ZenityAnswer(1, ""), SaveAnswer::kCancel);
    EXPECT_EQ(ZenityAnswer(5, ""), SaveAnswer::kCancel);
    EXPECT_EQ(KdialogAnswer(0), SaveAnswer::kSave);
    EXPECT_EQ(KdialogAnswer(1), SaveAnswer::kDiscard);
    EXPECT_EQ(KdialogAnswer(2), SaveAnswer::kCancel);
    // The built-in prompt: keys and clicks on its three buttons.
    const SaveAnswer order[] = {SaveAnswer::kSave, SaveAnswer::kDiscard, SaveAnswer::kCancel};
    const SDL_Keycode keys[] = {SDLK_s, SDLK_d, SDLK_ESCAPE};
    for (int i = 0; i < 3; ++i) {
        SavePrompt byKey, byClick;
        SDL_Event event;
        SDL_zero(event);
        event.type = SDL_KEYDOWN;
        event.key.keysym.sym = keys[i];
        EXPECT_TRUE(byKey.HandleEvent(event));
        EXPECT_EQ(byKey.answer, order[i]);
        SDL_Rect button = byClick.ButtonRect(i, byClick.width, byClick.height);
        SDL_zero(event);
        event.type = SDL_MOUSEBUTTONUP;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = button.x + button.w / 2;
        event.button.y = button.y + button.h / 2;
        EXPECT_TRUE(byClick.HandleEvent(event));
        EXPECT_EQ(byClick.answer, order[i]);
    }
}

}  // namespace
}  // namespace qn::testing
