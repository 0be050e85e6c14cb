// "Load Song", "Save Song" and "Save Song As..." through a scripted dialog:
// cancelling, the ".qnt" rule, the remembered path, a save that fails and a
// file that is not a song.
#include <sys/stat.h>

#include <cstring>
#include <filesystem>

#include "song/song_image.h"
#include "tests/app/app_harness.h"
#include "tests/app/scripted_dialog.h"

namespace qn::testing {
namespace {

class SongFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(harness.started);
        SDL_PauseAudioDevice(harness.app->audioDevice, 1);
        harness.Frame(2);
        harness.app->SetStatus("before");
    }
    void Run(int command) {
        harness.Command(command);
        harness.Frame();
    }
    Song& TheSong() { return harness.app->document->song; }
    void MakeRecognisableSong(const char* title) {
        TheSong().Pattern(1)[3].SetNote(30);
        TheSong().Pattern(1)[3].SetInstrument(2);
        SetFixedText(harness.app->document->title, kTitleLength, title);
        SetFixedText(harness.app->document->author, kTitleLength, "someone");
    }
    static bool Exists(const char* path) { return std::filesystem::exists(path); }

    AppHarness harness;
    ScriptedDialog dialog;
};

TEST_F(SongFiles, SaveWithoutPathAsksAddsTheExtensionAndRemembersIt) {
    MakeRecognisableSong("first");
    dialog.Choose("tune");
    Run(kCommandSaveSong);
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_TRUE(dialog.requests[0].save);
    ASSERT_EQ(dialog.requests[0].groups.size(), 1u);
    EXPECT_EQ(dialog.requests[0].groups[0].extensions, std::vector<std::string>{"qnt"});
    EXPECT_TRUE(Exists("tune.qnt"));
    EXPECT_FALSE(Exists("tune"));
    EXPECT_STREQ(harness.app->songPath, "tune.qnt");
    EXPECT_EQ(harness.Status(), "Song saved.");
    // The file is a song image holding the song.
    std::string bytes = AppHarness::ReadFile("tune.qnt");
    ASSERT_GT(bytes.size(), kSongHeaderSize);
    EXPECT_EQ(bytes.substr(0, 3), "QNT");
    EXPECT_EQ(bytes.substr(20, 5), "first");
}

TEST_F(SongFiles, SaveWithARememberedPathAsksNothing) {
    dialog.Choose("again.qnt");
    Run(kCommandSaveSong);
    ASSERT_TRUE(Exists("again.qnt"));
    MakeRecognisableSong("second");
    harness.app->SetStatus("before");
    Run(kCommandSaveSong);
    EXPECT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(harness.Status(), "Song saved.");
    EXPECT_EQ(AppHarness::ReadFile("again.qnt").substr(20, 6), "second");
    EXPECT_FALSE(Exists("again.qnt.qnt"));
}

TEST_F(SongFiles, CancelledSaveWritesNothingAndSaysNothing) {
    dialog.Cancel();
    Run(kCommandSaveSong);
    EXPECT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(harness.Status(), "before");
    EXPECT_STREQ(harness.app->songPath, "");
    // A dialog that fails counts as a cancel; its message is kept.
    dialog.Fail("File dialog box show failed.");
    Run(kCommandSaveSong);
    EXPECT_EQ(harness.Status(), "before");
    EXPECT_STREQ(FileDialogError(), "File dialog box show failed.");
    EXPECT_TRUE(std::filesystem::is_empty("."));
}

TEST_F(SongFiles, FailedSaveSaysSoAndKeepsThePathAndTheOldFile) {
    dialog.Choose("kept.qnt");
    Run(kCommandSaveSong);
    std::string before = AppHarness::ReadFile("kept.qnt");
    // A folder in the way: the finished image cannot be renamed over it.
    std::filesystem::create_directories("folder.qnt/inside");
    dialog.Choose("folder.qnt");
    Run(kCommandSaveSongAs);
    EXPECT_EQ(harness.Status(), "Failed. Could not save song.");
    EXPECT_TRUE(std::filesystem::is_directory("folder.qnt/inside"));
    EXPECT_STREQ(harness.app->songPath, "kept.qnt");
    // A path in a folder that does not exist.
    dialog.Choose("missing/tune.qnt");
    Run(kCommandSaveSongAs);
    EXPECT_EQ(harness.Status(), "Failed. Could not save song.");
    EXPECT_STREQ(harness.app->songPath, "kept.qnt");
    EXPECT_EQ(AppHarness::ReadFile("kept.qnt"), before);
    // No temporary file is left beside the target.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(".")) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

TEST_F(SongFiles, SaveAsAlwaysAsksSaysNothingAndRemembersTheNewPath) {
    dialog.Choose("one.qnt");
    Run(kCommandSaveSong);
    harness.app->SetStatus("before");
    dialog.Choose("two");
    Run(kCommandSaveSongAs);
    EXPECT_EQ(dialog.requests.size(), 2u);
    EXPECT_TRUE(dialog.requests[1].save);
    EXPECT_TRUE(Exists("two.qnt"));
    EXPECT_EQ(harness.Status(), "before");
    EXPECT_STREQ(harness.app->songPath, "two.qnt");
    // Cancelling Save As keeps the remembered path.
    dialog.Cancel();
    Run(kCommandSaveSongAs);
    EXPECT_STREQ(harness.app->songPath, "two.qnt");
}

TEST_F(SongFiles, LoadReadsTheSongAndRemembersItsPath) {
    MakeRecognisableSong("loaded");
    dialog.Choose("saved.qnt");
    Run(kCommandSaveSong);
    Run(kCommandNewSong);
    ASSERT_EQ(TheSong().Pattern(1)[3].Note(), 0);
    harness.app->replayer->voices[1].muted = 1;
    harness.app->cursorMarkRow = 4;
    harness.app->cursorMarkPosition = 1;
    dialog.Choose("saved.qnt");
    Run(kCommandLoadSong);
    ASSERT_EQ(dialog.requests.size(), 2u);
    EXPECT_FALSE(dialog.requests[1].save);
    EXPECT_EQ(harness.Status(), "Song loaded.");
    EXPECT_EQ(TheSong().Pattern(1)[3].Note(), 30);
    EXPECT_EQ(TheSong().Pattern(1)[3].Instrument(), 2);
    EXPECT_EQ(FixedText(harness.app->document->title, kTitleLength), "loaded");
    EXPECT_STREQ(harness.app->songPath, "saved.qnt");
    EXPECT_EQ(harness.app->replayer->voices[1].muted, 0);
    EXPECT_EQ(harness.app->cursorMarkRow, -1);
    EXPECT_FALSE(harness.app->IsPlaying());
    // The Replayer plays the editable song, not the file's image.
    EXPECT_EQ(harness.app->replayer->song, &TheSong());
}

TEST_F(SongFiles, RejectedFileLeavesEverythingAsItWas) {
    MakeRecognisableSong("current");
    std::strcpy(harness.app->songPath, "current.qnt");
    harness.app->replayer->voices[3].muted = 1;
    AppHarness::WriteFile("junk.qnt", "QNX this is not a song at all, not even close");
    dialog.Choose("junk.qnt");
    Run(kCommandLoadSong);
    EXPECT_EQ(harness.Status(), "Failed. Unknown song format.");
    EXPECT_EQ(TheSong().Pattern(1)[3].Note(), 30);
    EXPECT_EQ(FixedText(harness.app->document->title, kTitleLength), "current");
    EXPECT_EQ(FixedText(harness.app->document->author, kTitleLength), "someone");
    EXPECT_STREQ(harness.app->songPath, "current.qnt");
    EXPECT_EQ(harness.app->replayer->voices[3].muted, 1);
}

TEST_F(SongFiles, CancelledOrUnreadableLoadSaysNothingButStops) {
    harness.Command(kCommandPlaySong);
    harness.Frame();
    ASSERT_TRUE(harness.app->IsPlaying());
    harness.app->SetStatus("before");
    dialog.Cancel();
    Run(kCommandLoadSong);
    EXPECT_FALSE(harness.app->IsPlaying());
    EXPECT_EQ(harness.Status(), "before");
    dialog.Choose("does-not-exist.qnt");
    Run(kCommandLoadSong);
    EXPECT_EQ(harness.Status(), "before");
    AppHarness::WriteFile("empty.qnt", "");
    dialog.Choose("empty.qnt");
    Run(kCommandLoadSong);
    EXPECT_EQ(harness.Status(), "before");
}

}  // namespace
}  // namespace qn::testing
