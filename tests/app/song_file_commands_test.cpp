// "Load Song", "Save Song" and "Save Song As..." through a scripted dialog:
// cancelling, the ".qnt" rule, the remembered path, saves that fail and
// files that are not songs.
#include <algorithm>
#include <filesystem>

#include "song/song_image.h"
#include "tests/app/app_harness.h"
#include "tests/app/scripted_dialog.h"

namespace qn::testing {
namespace {

class SongFiles : public AppTest {
protected:
    void MakeRecognisableSong(const char* title) {
        TheSong().Pattern(1)[3].SetNote(30);
        TheSong().Pattern(1)[3].SetInstrument(2);
        SetFixedText(harness.app->document->title, kTitleLength, title);
        SetFixedText(harness.app->document->author, kTitleLength, "someone");
    }

    ScriptedDialog dialog;
};

// A run of file commands, each with the dialog's answer ("" asks nothing,
// "-" cancels, "!" fails), the title set before it and what it leaves: the
// status ("before" = unchanged), the remembered path, the title and whether a
// muted voice stays muted. tune.qnt holds "second" when loaded at the end.
TEST_F(SongFiles, CommandsAnswersAndWhatTheyLeave) {
    std::filesystem::create_directories("folder.qnt/inside");  // in the way of the rename
    AppHarness::WriteFile("junk.qnt", "QNX this is not a song at all, not even close");
    AppHarness::WriteFile("empty.qnt", "");
    const std::string saved = "Song saved.", failed = "Failed. Could not save song.";
    struct Step { int command; const char* answer; const char* title; std::string status; const char* path; };
    const Step steps[] = {
        {kCommandSaveSong, "-", "first", "before", ""},
        {kCommandSaveSong, "!", nullptr, "before", ""},  // a failed dialog counts as a cancel
        {kCommandSaveSong, "tune", nullptr, saved, "tune.qnt"},  // the extension is added
        {kCommandSaveSong, "", "second", saved, "tune.qnt"},  // the remembered path: no question
        {kCommandSaveSongAs, "two", nullptr, "before", "two.qnt"},  // always asks, says nothing
        {kCommandSaveSongAs, "-", nullptr, "before", "two.qnt"},
        {kCommandSaveSongAs, "folder.qnt", nullptr, failed, "two.qnt"},
        {kCommandSaveSongAs, "missing/tune.qnt", nullptr, failed, "two.qnt"},
        {kCommandLoadSong, "-", "current", "before", "two.qnt"},
        {kCommandLoadSong, "does-not-exist.qnt", nullptr, "before", "two.qnt"},
        {kCommandLoadSong, "empty.qnt", nullptr, "before", "two.qnt"},
        {kCommandLoadSong, "junk.qnt", nullptr, "Failed. Unknown song format.", "two.qnt"},
        {kCommandLoadSong, "tune.qnt", nullptr, "Song loaded.", "tune.qnt"},
    };
    MakeRecognisableSong("first");
    for (const Step& step : steps) {
        const std::string answer = step.answer;
        SCOPED_TRACE(answer);
        if (step.title) SetFixedText(harness.app->document->title, kTitleLength, step.title);
        const std::string title = FixedText(harness.app->document->title, kTitleLength);
        Run(kCommandPlaySong);
        harness.app->SetStatus("before");
        harness.app->replayer->voices[3].muted = 1;
        harness.app->cursorMarkRow = 4;
        const size_t asked = dialog.requests.size();
        if (answer == "-") {
            dialog.Cancel();
        } else if (answer == "!") {
            dialog.Fail("File dialog box show failed.");
        } else if (!answer.empty()) {
            dialog.Choose(answer);
        }
        Run(step.command);
        EXPECT_EQ(harness.Status(), step.status);
        EXPECT_STREQ(harness.app->songPath, step.path);
        ASSERT_EQ(dialog.requests.size(), asked + (answer.empty() ? 0 : 1));
        if (!answer.empty()) {
            EXPECT_EQ(dialog.requests.back().save, step.command != kCommandLoadSong);
            EXPECT_EQ(dialog.requests.back().groups.at(0).extensions, std::vector<std::string>{"qnt"});
        }
        const bool loaded = step.status == "Song loaded.";
        EXPECT_EQ(FixedText(harness.app->document->title, kTitleLength), loaded ? "second" : title);
        EXPECT_EQ(harness.app->replayer->voices[3].muted, loaded ? 0 : 1);
        if (step.command == kCommandLoadSong) {
            EXPECT_FALSE(harness.app->IsPlaying());  // even a cancelled load stops
        }
        if (loaded) {
            EXPECT_EQ(harness.app->cursorMarkRow, -1);
        }
    }
    EXPECT_STREQ(FileDialogError(), "File dialog box show failed.");
    EXPECT_EQ(TheSong().Pattern(1)[3].Note(), 30);
    EXPECT_EQ(TheSong().Pattern(1)[3].Instrument(), 2);
    EXPECT_EQ(harness.app->replayer->song, &TheSong());  // the editable song plays, not the file's image
    EXPECT_TRUE(std::filesystem::is_directory("folder.qnt/inside"));
    // Only whole songs are left: no temporary files, no name without ".qnt".
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"empty.qnt", "junk.qnt", "tune.qnt", "two.qnt"}));
    EXPECT_EQ(AppHarness::ReadFile("two.qnt").substr(0, 3), "QNT");
}

}  // namespace
}  // namespace qn::testing
