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

TEST(FilterList, GroupsAndExtensions) {
    std::vector<FilterGroup> groups;
    ASSERT_TRUE(ParseFilterList("qnt", &groups));
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "qnt");
    EXPECT_EQ(groups[0].extensions, std::vector<std::string>{"qnt"});
    ASSERT_TRUE(ParseFilterList("mod,xm;wav", &groups));
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0].name, "mod,xm");
    EXPECT_EQ(groups[0].extensions, (std::vector<std::string>{"mod", "xm"}));
    EXPECT_EQ(groups[1].extensions, std::vector<std::string>{"wav"});
}

TEST(FilterList, EmptyMeansNoFilterAndBrokenListsFail) {
    std::vector<FilterGroup> groups;
    EXPECT_TRUE(ParseFilterList(nullptr, &groups));
    EXPECT_TRUE(groups.empty());
    EXPECT_TRUE(ParseFilterList("", &groups));
    EXPECT_TRUE(groups.empty());
    EXPECT_FALSE(ParseFilterList("mod;", &groups));
    EXPECT_FALSE(ParseFilterList("mod,,xm", &groups));
    EXPECT_TRUE(groups.empty());
}

DialogRequest Request(const char* filter, bool save) {
    DialogRequest request;
    ParseFilterList(filter, &request.groups);
    request.save = save;
    return request;
}

TEST(DesktopDialogs, ZenityGetsOneFilterPerGroupAndAllFiles) {
    EXPECT_EQ(ZenityArguments(Request("qnt", false)),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Open File",
                                        "--file-filter=qnt | *.qnt", "--file-filter=All Files (*.*) | *"}));
    EXPECT_EQ(ZenityArguments(Request("mod,xm;wav", true)),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Save File", "--save",
                                        "--confirm-overwrite", "--file-filter=mod,xm | *.mod *.xm",
                                        "--file-filter=wav | *.wav", "--file-filter=All Files (*.*) | *"}));
    EXPECT_EQ(ZenityArguments(Request("", false)),
              (std::vector<std::string>{"zenity", "--file-selection", "--title=Open File"}));
}

TEST(DesktopDialogs, KdialogGetsOneFilterLinePerGroup) {
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

TEST_F(FileRequests, ChosenFileIsReportedAndKeptUntilTheNextOpen) {
    FileReq request;
    dialog.Choose("/music/tune.qnt");
    ::testing::internal::CaptureStdout();
    EXPECT_TRUE(request.Open("qnt", false));
    EXPECT_EQ(Captured(), "Success!\n/music/tune.qnt\n");
    EXPECT_STREQ(request.Path(), "/music/tune.qnt");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(request.Open("qnt", false));  // the script has run out: cancel
    EXPECT_EQ(Captured(), "User pressed cancel.\n");
    EXPECT_EQ(request.Path(), nullptr);
}

TEST_F(FileRequests, ErrorsAreReportedAndKeptForTheCaller) {
    FileReq request;
    dialog.Fail("Could not create dialog.");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(request.Open("ins", true));
    EXPECT_EQ(Captured(), "Error: Could not create dialog.\n");
    EXPECT_STREQ(FileDialogError(), "Could not create dialog.");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(request.Open("mod;", false));
    EXPECT_EQ(Captured(), "Error: Error parsing filters.\n");
    EXPECT_TRUE(dialog.requests.size() == 1u);  // a broken list never reaches the dialog
}

TEST_F(FileRequests, LongErrorTextIsCutTo255Characters) {
    FileReq request;
    dialog.Fail(std::string(400, 'e'));
    ::testing::internal::CaptureStdout();
    request.Open("qnt", false);
    Captured();
    EXPECT_EQ(std::string(FileDialogError()), std::string(255, 'e'));
}

TEST_F(FileRequests, EmptyPathFromADialogIsAnError) {
    FileReq request;
    dialog.Choose("");
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(request.Open("qnt", false));
    EXPECT_EQ(Captured(), "Error: Could not get file path for selected.\n");
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

TEST(PathPromptTyping, StartsInTheWorkingFolderAndEditsByCharacter) {
    PathPrompt prompt(Request("qnt", false));
    EXPECT_EQ(prompt.text, std::filesystem::current_path().string() + "/");
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
}

TEST(PathPromptTyping, ReturnOnAFolderWaitsAndEscapeCancels) {
    PathPrompt prompt(Request("qnt", true));
    EXPECT_FALSE(prompt.HandleEvent(KeyEvent(SDLK_RETURN)));  // a folder, not a file yet
    EXPECT_TRUE(prompt.HandleEvent(KeyEvent(SDLK_ESCAPE)));
    EXPECT_EQ(prompt.outcome, DialogOutcome::kCancel);
}

TEST(PathPromptTyping, HomeAbbreviationAndFilterText) {
    const char* home = std::getenv("HOME");
    if (home && *home) {
        EXPECT_EQ(PathPrompt::ExpandHome("~/a.qnt"), std::string(home) + "/a.qnt");
    }
    EXPECT_EQ(PathPrompt::ExpandHome("/x/~/a.qnt"), "/x/~/a.qnt");
    EXPECT_EQ(PathPrompt::FilterText(Request("mod,xm;wav", false)), "Files: *.mod *.xm *.wav");
    EXPECT_EQ(PathPrompt::FilterText(Request("", false)), "Files: any");
}

// The prompt inside the running program: typed events arrive through SDL's
// queue while the frame loop waits for it.
TEST(PathPromptInTheProgram, TypedPathIsChosenAndKeyReleasesReachTheProgram) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    harness.KeyDown(SDLK_u, KMOD_LCTRL);
    harness.Text("typed");
    harness.KeyDown(SDLK_RETURN);
    harness.KeyUp(SDLK_LCTRL);
    std::string path, error;
    DialogRequest request = Request("qnt", true);
    EXPECT_EQ(RunPathPrompt(request, &path, &error), DialogOutcome::kOk);
    EXPECT_EQ(path, "typed");
    ModifierState = kModifierCtrl;
    harness.Frame();  // the handed-back key release clears Ctrl
    EXPECT_EQ(ModifierState & kModifierCtrl, 0);
}

TEST(PathPromptInTheProgram, EscapeCancelsAndAQuitIsKeptForTheProgram) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    SDL_Event quit;
    SDL_zero(quit);
    quit.type = SDL_QUIT;
    harness.Push(quit);
    std::string path, error;
    EXPECT_EQ(RunPathPrompt(Request("qnt", false), &path, &error), DialogOutcome::kCancel);
    EXPECT_TRUE(path.empty());
    EXPECT_TRUE(harness.Frame());
}

TEST(PathPromptInTheProgram, DrawsAFramedBoxOverTheWindow) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    PathPrompt prompt(Request("qnt", false));
    harness.app->DrawFrame();
    prompt.Draw(640, 592);
    // The box is 600 wide, centred: its border runs from x 20 to 619 at y 244.
    SDL_Rect rect = {20, 244, 1, 1};
    Uint8 rgba[4] = {};
    SDL_RenderReadPixels(harness.app->renderer, &rect, SDL_PIXELFORMAT_RGBA32, rgba, 4);
    EXPECT_EQ(rgba[0], 235);
    EXPECT_EQ(rgba[1], 235);
    harness.SaveFrame("path_prompt");
}

}  // namespace
}  // namespace qn::testing
