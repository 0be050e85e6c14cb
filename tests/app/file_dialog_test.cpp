// File dialogs: the filter list, the arguments of the two desktop dialogs,
// running an external dialog program, the three outcomes with their lines
// on standard output, and the built-in typed-path prompt.
#include <cstdlib>
#include <filesystem>

#include "app/file_dialog.h"
#include "app/path_prompt.h"
#include "tests/app/app_harness.h"
#include "tests/app/scripted_dialog.h"

namespace qn::testing {
namespace {

// Each group as "name=ext ext"; a broken list fails and leaves no groups.
TEST(FilterList, GroupsAndExtensions) {
    struct Case { const char* filter; bool ok; std::vector<std::string> groups; };
    const Case cases[] = {
        {"qnt", true, {"qnt=qnt"}},         {"mod,xm;wav", true, {"mod,xm=mod xm", "wav=wav"}},
        {nullptr, true, {}},                {"", true, {}},
        {"mod;", false, {}},                {"mod,,xm", false, {}},
    };
    for (const Case& c : cases) {
        std::vector<FilterGroup> groups;
        EXPECT_EQ(ParseFilterList(c.filter, &groups), c.ok) << (c.filter ? c.filter : "null");
        std::vector<std::string> got;
        for (const FilterGroup& group : groups) {
            std::string line = group.name + "=";
            for (const std::string& extension : group.extensions) line += extension + (&extension == &group.extensions.back() ? "" : " ");
            got.push_back(line);
        }
        EXPECT_EQ(got, c.groups) << (c.filter ? c.filter : "null");
    }
}

DialogRequest Request(const char* filter, bool save) {
    DialogRequest request;
    ParseFilterList(filter, &request.groups);
    request.save = save;
    return request;
}

TEST(DesktopDialogs, OneFilterPerGroupAndAllFiles) {
    EXPECT_EQ(ZenityArguments(Request("qnt", false)),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Open File",
                                        "--file-filter=qnt | *.qnt", "--file-filter=All Files (*.*) | *"}));
    EXPECT_EQ(ZenityArguments(Request("mod,xm;wav", true)),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Save File", "--save",
                                        "--confirm-overwrite", "--file-filter=mod,xm | *.mod *.xm",
                                        "--file-filter=wav | *.wav", "--file-filter=All Files (*.*) | *"}));
    EXPECT_EQ(ZenityArguments(Request("", false)),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Open File"}));
    EXPECT_EQ(KdialogArguments(Request("ins", true)),
              (std::vector<std::string>{"kdialog", "--title", "Save File", "--getsavefilename", ".",
                                        "*.ins|ins\n*|All Files (*.*)"}));
    EXPECT_EQ(KdialogArguments(Request("mod,xm", false)),
              (std::vector<std::string>{"kdialog", "--title", "Open File", "--getopenfilename", ".",
                                        "*.mod *.xm|mod,xm\n*|All Files (*.*)"}));
}

TEST(DesktopDialogs, ProgramOutputAndExitCodeAreCollected) {
    std::string output;
    int exitCode = -2;
    ASSERT_TRUE(RunDialogProgram({"sh", "-c", "printf '/tmp/s\\303\\266ng.qnt\\n'; echo noise >&2"}, &output,
                                 &exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(output, "/tmp/s\xc3\xb6ng.qnt\n");  // UTF-8 passes through untouched
    ASSERT_TRUE(RunDialogProgram({"sh", "-c", "exit 1"}, &output, &exitCode));
    EXPECT_EQ(exitCode, 1);
    EXPECT_FALSE(RunDialogProgram({"quillnote-no-such-dialog-program"}, &output, &exitCode));
}

class FileRequests : public ::testing::Test {
protected:
    std::string Captured() { return ::testing::internal::GetCapturedStdout(); }
    ScriptedDialog dialog;
};

// Each answer of the dialog: what Open returns, the lines it prints, the
// path it keeps and the error text kept for the caller (cut to 255).
TEST_F(FileRequests, OutcomesArePrintedAndKept) {
    struct Case { DialogOutcome outcome; std::string text; const char* filter; bool ok; std::string printed, path, error; };
    const Case cases[] = {
        {DialogOutcome::kOk, "/music/tune.qnt", "qnt", true, "Success!\n/music/tune.qnt\n", "/music/tune.qnt", ""},
        {DialogOutcome::kCancel, "", "qnt", false, "User pressed cancel.\n", "", ""},
        {DialogOutcome::kError, "Could not create dialog.", "ins", false, "Error: Could not create dialog.\n", "",
         "Could not create dialog."},
        {DialogOutcome::kOk, "", "qnt", false, "Error: Could not get file path for selected.\n", "", ""},
        {DialogOutcome::kError, std::string(400, 'e'), "qnt", false, "Error: " + std::string(400, 'e') + "\n", "",
         std::string(255, 'e')},
    };
    FileReq request;
    for (const Case& c : cases) {
        dialog.answers.push_back({c.outcome, c.text});
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(request.Open(c.filter, false), c.ok);
        const std::string printed = Captured();
        if (c.text.size() < 300) {
            EXPECT_EQ(printed, c.printed);
        }
        EXPECT_EQ(request.Path() ? std::string(request.Path()) : std::string(), c.path);
        if (!c.error.empty()) {
            EXPECT_EQ(std::string(FileDialogError()), c.error);
        }
    }
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(request.Open("mod;", false));
    EXPECT_EQ(Captured(), "Error: Error parsing filters.\n");
    EXPECT_EQ(dialog.requests.size(), std::size(cases));  // a broken list never reaches the dialog
}

SDL_Event KeyEvent(SDL_Keycode sym, Uint16 mod = KMOD_NONE) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = sym;
    event.key.keysym.mod = mod;
    return event;
}

SDL_Event TextEvent(const char* text) {
    SDL_Event event;
    SDL_zero(event);
    event.type = SDL_TEXTINPUT;
    SDL_strlcpy(event.text.text, text, sizeof(event.text.text));
    return event;
}

TEST(PathPromptTyping, EditsByCharacterEscapeCancelsHomeAndFilterText) {
    PathPrompt prompt(Request("qnt", false));
    EXPECT_EQ(prompt.text, std::filesystem::current_path().string() + "/");
    EXPECT_FALSE(prompt.HandleEvent(KeyEvent(SDLK_RETURN)));  // a folder, not a file yet
    prompt.HandleEvent(KeyEvent(SDLK_u, KMOD_LCTRL));
    EXPECT_EQ(prompt.text, "");
    prompt.HandleEvent(TextEvent("s\xc3\xb6"));
    prompt.HandleEvent(TextEvent("x"));
    prompt.HandleEvent(KeyEvent(SDLK_BACKSPACE));
    prompt.HandleEvent(KeyEvent(SDLK_BACKSPACE));  // both bytes of the two-byte character go
    EXPECT_EQ(prompt.text, "s");
    EXPECT_FALSE(prompt.finished);
    EXPECT_TRUE(prompt.HandleEvent(KeyEvent(SDLK_RETURN)));
    EXPECT_EQ(prompt.outcome, DialogOutcome::kOk);
    PathPrompt cancelled(Request("qnt", true));
    EXPECT_TRUE(cancelled.HandleEvent(KeyEvent(SDLK_ESCAPE)));
    EXPECT_EQ(cancelled.outcome, DialogOutcome::kCancel);
    const char* home = std::getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(PathPrompt::ExpandHome("~/a.qnt"), std::string(home) + "/a.qnt");
    }
    EXPECT_EQ(PathPrompt::ExpandHome("/x/~/a.qnt"), "/x/~/a.qnt");
    EXPECT_EQ(PathPrompt::FilterText(Request("mod,xm;wav", false)), "Files: *.mod *.xm *.wav");
    EXPECT_EQ(PathPrompt::FilterText(Request("", false)), "Files: any");
}

// The prompt inside the running program: typed events arrive through SDL's
// queue while the frame loop waits for it; key releases and a quit are kept
// for the program. It draws a framed box 600 wide, centred: its border runs
// from x 20 to 619 at y 244.
TEST(PathPromptInTheProgram, TypedPathEscapeQuitAndTheBox) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    harness.KeyDown(SDLK_u, KMOD_LCTRL);
    harness.Text("typed");
    harness.KeyDown(SDLK_RETURN);
    harness.KeyUp(SDLK_LCTRL);
    std::string path, error;
    EXPECT_EQ(RunPathPrompt(Request("qnt", true), &path, &error), DialogOutcome::kOk);
    EXPECT_EQ(path, "typed");
    ModifierState = kModifierCtrl;
    harness.Frame();  // the handed-back key release clears Ctrl
    EXPECT_EQ(ModifierState & kModifierCtrl, 0);

    PathPrompt prompt(Request("qnt", false));
    harness.app->DrawFrame();
    prompt.Draw(640, 592);
    SDL_Rect rect = {20, 244, 1, 1};
    Uint8 rgba[4] = {};
    SDL_RenderReadPixels(harness.app->renderer, &rect, SDL_PIXELFORMAT_RGBA32, rgba, 4);
    EXPECT_EQ(rgba[0], 235);
    EXPECT_EQ(rgba[1], 235);
    harness.SaveFrame("path_prompt");

    SDL_Event quit;
    SDL_zero(quit);
    quit.type = SDL_QUIT;
    harness.Push(quit);
    path.clear();
    EXPECT_EQ(RunPathPrompt(Request("qnt", false), &path, &error), DialogOutcome::kCancel);
    EXPECT_TRUE(path.empty());
    EXPECT_TRUE(harness.Frame());
}

}  // namespace
}  // namespace qn::testing
