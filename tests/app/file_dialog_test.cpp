// File dialogs: filter lists and the desktop dialogs' arguments, the outcomes, the built-in typed-path prompt.
#include <cstdlib>
#include <filesystem>

#include "app/file_dialog.h"
#include "app/path_prompt.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

DialogRequest Request(const char* filter, bool save) {
    DialogRequest request;
    ParseFilterList(filter, &request.groups);
    request.save = save;
    return request;
}

// Each filter list as the two desktop dialogs are given it ("" = broken).
TEST(FileDialogs, FilterListsDesktopDialogsArgumentsAndOutcomes) {
    using Args = std::vector<std::string>;
    struct Case { const char* filter; bool save; Args zenity; std::string kdialog; };
    const Case cases[] = {
        {"qnt", false, {"--title=Open File", "--file-filter=qnt | *.qnt", "--file-filter=All Files (*.*) | *"},
         "*.qnt|qnt\n*|All Files (*.*)"},
        {"mod,xm;wav", true, {"--title=Save File", "--save", "--confirm-overwrite", "--file-filter=mod,xm | *.mod *.xm",
                              "--file-filter=wav | *.wav", "--file-filter=All Files (*.*) | *"},
         "*.mod *.xm|mod,xm\n*.wav|wav\n*|All Files (*.*)"},
        {"", false, {"--title=Open File"}, ""},
        {nullptr, true, {"--title=Save File", "--save", "--confirm-overwrite"}, ""},
        {"mod;", false, {}, ""},
        {"mod,,xm", false, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.filter ? c.filter : "null");
        std::vector<FilterGroup> groups;
        EXPECT_EQ(ParseFilterList(c.filter, &groups), !c.zenity.empty());
        if (c.zenity.empty()) {
            EXPECT_TRUE(groups.empty());
            continue;
        }
        Args zenity = {"zenity", "--file-selection"};
        zenity.insert(zenity.end(), c.zenity.begin(), c.zenity.end());
        EXPECT_EQ(ZenityArguments(Request(c.filter, c.save)), zenity);
        Args kdialog = {"kdialog", "--title", c.save ? "Save File" : "Open File",
                        c.save ? "--getsavefilename" : "--getopenfilename", "."};
        if (!c.kdialog.empty()) kdialog.push_back(c.kdialog);  // no filter list: no filter argument
        EXPECT_EQ(KdialogArguments(Request(c.filter, c.save)), kdialog);
    }
    std::string output;
    int exitCode = -2;
    ASSERT_TRUE(RunDialogProgram({"sh", "-c", "printf '/tmp/s\\303\\266ng.qnt\\n'; echo noise >&2"}, &output,
                                 &exitCode));
    EXPECT_EQ(std::pair(exitCode, output), std::pair(0, std::string("/tmp/s\xc3\xb6ng.qnt\n")));  // UTF-8 kept
    EXPECT_TRUE(RunDialogProgram({"sh", "-c", "exit 1"}, &output, &exitCode) && exitCode == 1) << exitCode;
    EXPECT_FALSE(RunDialogProgram({"quillnote-no-such-dialog-program"}, &output, &exitCode));
    // Each answer of the dialog: what Open returns and prints, the path it keeps and the error kept (cut to 255).
    ScriptedDialog dialog;
    const std::string longError(400, 'e');
    struct Outcome {
        DialogOutcome outcome; std::string text; const char* filter; bool ok; std::string printed, path, error;
    };
    const Outcome outcomes[] = {
        {DialogOutcome::kOk, "/music/tune.qnt", "qnt", true, "Success!\n/music/tune.qnt\n", "/music/tune.qnt", ""},
        {DialogOutcome::kCancel, "", "qnt", false, "User pressed cancel.\n", "", ""},
        {DialogOutcome::kError, "No dialog.", "ins", false, "Error: No dialog.\n", "", "No dialog."},
        {DialogOutcome::kOk, "", "qnt", false, "Error: Could not get file path for selected.\n", "", ""},
        {DialogOutcome::kError, longError, "qnt", false, "Error: " + longError.substr(0, 255) + "\n", "",
         longError.substr(0, 255)},
        {DialogOutcome::kOk, "never asked", "mod;", false, "Error: Error parsing filters.\n", "", ""},
    };
    FileReq request;
    for (const Outcome& c : outcomes) {
        dialog.answers.assign(1, {c.outcome, c.text});
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(request.Open(c.filter, false), c.ok);
        EXPECT_EQ(::testing::internal::GetCapturedStdout(), c.printed);
        EXPECT_EQ(request.Path() ? std::string(request.Path()) : std::string(), c.path);
        EXPECT_EQ(c.error.empty() ? "" : std::string(FileDialogError()), c.error);
    }
    EXPECT_EQ(dialog.requests.size(), std::size(outcomes) - 1);  // a broken list never reaches the dialog
}

// The typed-path prompt edits by character; in the program its events come through SDL's queue, key releases and a
// quit are kept for the program; its box, 600 wide and centred, has its border from x 20 to 619 at y 244.
TEST(FileDialogs, PathPromptByItselfAndInTheProgram) {
    AppHarness harness;
    ASSERT_TRUE(harness.started);
    harness.Frame(2);
    auto key = [](SDL_Keycode sym, Uint16 mod = KMOD_NONE) { return AppHarness::KeyEvent(sym, mod); };
    auto text = AppHarness::TextEvent;
    PathPrompt prompt(Request("qnt", false));
    EXPECT_EQ(prompt.text, std::filesystem::current_path().string() + "/");
    EXPECT_FALSE(prompt.HandleEvent(key(SDLK_RETURN)));  // a folder, not a file yet
    for (const SDL_Event& event : {key(SDLK_u, KMOD_LCTRL), text("s\xc3\xb6"), text("x"), key(SDLK_BACKSPACE),
                                   key(SDLK_BACKSPACE)})
        prompt.HandleEvent(event);
    EXPECT_EQ(std::pair(prompt.text, prompt.finished), std::pair(std::string("s"), false));
    EXPECT_TRUE(prompt.HandleEvent(key(SDLK_RETURN)) && prompt.outcome == DialogOutcome::kOk);
    PathPrompt cancelled(Request("qnt", true));
    EXPECT_TRUE(cancelled.HandleEvent(key(SDLK_ESCAPE)) && cancelled.outcome == DialogOutcome::kCancel);
    const char* home = std::getenv("HOME");
    EXPECT_EQ(PathPrompt::ExpandHome("~/a.qnt"), (home && *home ? std::string(home) : "~") + "/a.qnt");
    EXPECT_EQ(PathPrompt::ExpandHome("/x/~/a.qnt"), "/x/~/a.qnt");
    EXPECT_EQ(PathPrompt::FilterText(Request("mod,xm;wav", false)), "Files: *.mod *.xm *.wav");
    EXPECT_EQ(PathPrompt::FilterText(Request("", false)), "Files: any");
    harness.KeyDown(SDLK_u, KMOD_LCTRL);
    harness.Text("typed");
    harness.KeyDown(SDLK_RETURN);
    harness.KeyUp(SDLK_LCTRL);
    std::string path, error;
    EXPECT_TRUE(RunPathPrompt(Request("qnt", true), &path, &error) == DialogOutcome::kOk && path == "typed") << path;
    ModifierState = kModifierCtrl;
    harness.Frame();  // the handed-back key release clears Ctrl
    EXPECT_EQ(ModifierState & kModifierCtrl, 0);
    PathPrompt shown(Request("qnt", false));
    harness.app->DrawFrame();
    shown.Draw(640, 592);
    const Rgba border = harness.Pixel(20, 244, false);
    EXPECT_EQ((std::vector<int>{border.r, border.g}), (std::vector<int>{235, 235}));
    harness.SaveFrame("path_prompt");
    harness.PushType(SDL_QUIT);
    path.clear();
    EXPECT_TRUE(RunPathPrompt(Request("qnt", false), &path, &error) == DialogOutcome::kCancel && path.empty()) << path;
    EXPECT_TRUE(harness.Frame());
}

}  // namespace
}  // namespace qn::testing
