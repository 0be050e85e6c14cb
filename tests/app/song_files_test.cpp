// Nothing lost: loading and saving songs, backups, the crash path, autosave, the unsaved-changes question.
#include <algorithm>
#include <chrono>
#include <tuple>
#include <filesystem>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/backup.h"
#include "app/save_question.h"
#include "tests/app/app_harness.h"

namespace qn::testing {
namespace {

using SongFiles = AppTest;

// File commands, each with the dialog's answer ("" asks nothing, "-" cancels, "!" fails) and what it leaves
// ("before": status unchanged); tune.qnt holds "second" when loaded at the end.
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
        {kCommandSaveSongAs, "folder.qnt", nullptr, failed, "two.qnt"},
        {kCommandSaveSongAs, "missing/tune.qnt", nullptr, failed, "two.qnt"},
        {kCommandLoadSong, "-", "current", "before", "two.qnt"},
        {kCommandLoadSong, "does-not-exist.qnt", nullptr, "before", "two.qnt"},
        {kCommandLoadSong, "empty.qnt", nullptr, "before", "two.qnt"},
        {kCommandLoadSong, "junk.qnt", nullptr, "Failed. Unknown song format.", "two.qnt"},
        {kCommandLoadSong, "tune.qnt", nullptr, "Song loaded.", "tune.qnt"},
    };
    ScriptedDialog dialog;
    TheSong().Pattern(1)[3].SetNote(30);
    TheSong().Pattern(1)[3].SetInstrument(2);
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
        if (answer == "-") dialog.Cancel();
        if (answer == "!") dialog.Fail("File dialog box show failed.");
        if (answer.size() > 1) dialog.Choose(answer);
        Run(step.command);
        ASSERT_EQ(dialog.requests.size(), asked + (answer.empty() ? 0 : 1));
        EXPECT_EQ(dialog.requests.back().save, step.command != kCommandLoadSong);
        EXPECT_EQ(dialog.requests.back().groups.at(0).extensions, std::vector<std::string>{"qnt"});
        // A load clears the mutes, the marks and the undo history (the next key stores the first state).
        const bool loaded = step.status == "Song loaded.";
        EXPECT_EQ(std::tuple(harness.Status(), std::string(harness.app->songPath),
                             FixedText(harness.app->document->title, kTitleLength),
                             int(harness.app->replayer->voices[3].muted), loaded ? harness.app->cursorMarkRow : -1,
                             loaded ? harness.app->undo.song.current() : -1),
                  std::tuple(step.status, std::string(step.path), loaded ? "second" : title, loaded ? 0 : 1, -1, -1));
        EXPECT_TRUE(step.command != kCommandLoadSong || !harness.app->IsPlaying());  // even a cancelled load stops
    }
    EXPECT_STREQ(FileDialogError(), "File dialog box show failed.");
    EXPECT_EQ(std::pair(TheSong().Pattern(1)[3].Note(), TheSong().Pattern(1)[3].Instrument()), std::pair(30, 2));
    EXPECT_EQ(harness.app->replayer->song, &TheSong());  // the editable song plays, not the file's image
    EXPECT_TRUE(std::filesystem::is_directory("folder.qnt/inside"));
    std::vector<std::string> files;  // only whole songs are left: no temporary files, no name without ".qnt"
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.is_regular_file()) files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"empty.qnt", "junk.qnt", "tune.qnt", "two.qnt"}));
    EXPECT_EQ(AppHarness::ReadFile("two.qnt").substr(0, 3), "QNT");
}

// A store two folders deep keeps the newest five; a process killed by a signal writes the published image.
TEST(BackupStoreTest, KeepsTheNewestFiveAndAFatalSignalWritesThePublishedImage) {
    char pattern[] = "/tmp/qn_backup_XXXXXX";
    const std::string top = mkdtemp(pattern), folder = top + "/deep/backup";
    BackupStore store;
    ASSERT_TRUE(store.Open(folder, 64));
    auto write = [&](const std::string& text) {
        return store.WriteBackup(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    };
    for (int i = 1; i <= 7; ++i) ASSERT_TRUE(write("backup " + std::to_string(i)));
    for (int place = 1; place <= BackupStore::kKeep; ++place)
        EXPECT_EQ(AppHarness::ReadFile(store.BackupPath(place)), "backup " + std::to_string(8 - place));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), BackupStore::kKeep);
    const std::string image = "the song image";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        store.PublishCrashImage(reinterpret_cast<const uint8_t*>(image.data()), image.size());
        store.InstallCrashHandler();
        raise(SIGSEGV);
        _exit(0);  // not reached: the signal ends the process
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV);
    EXPECT_EQ(std::pair(AppHarness::ReadFile(store.BackupPath(1)), AppHarness::ReadFile(store.BackupPath(2))),
              std::pair(image, std::string("backup 7")));
    store.ClearCrashImage();  // nothing published (the song is saved): the crash path writes nothing
    EXPECT_FALSE(store.WriteCrashBackup());
    std::filesystem::remove_all(top);
}

// Playing is no change; an edit marks the title and is backed up, a save clears both; a crashed run's backup is named.
TEST(AppBackup, AutosaveOfAChangedSongAndTheNoteAfterACrash) {
    AppHarness h({}, kDemoSong.c_str());
    ASSERT_TRUE(h.started);
    ASSERT_TRUE(h.app->backup && h.app->backup->IsOpen());
    EXPECT_EQ(h.app->backup->Directory(), std::filesystem::current_path().string() + ".data/quillnote/backup/");
    h.app->changeCheckSeconds = 0.0;
    h.app->autosaveSeconds = 0.0;
    auto marked = [&] { return std::string(SDL_GetWindowTitle(h.app->window)).ends_with(" *"); };
    h.Frame(20);  // the demo plays from start-up
    EXPECT_FALSE(h.app->SongChanged() || marked() || h.app->backup->HasCrashImage());
    EXPECT_FALSE(std::filesystem::exists(h.app->backup->BackupPath(1)));
    h.app->document->song.Pattern(2)[3].SetNote(40);
    h.Frame(2);
    EXPECT_TRUE(marked());
    std::vector<uint8_t> image;
    ASSERT_TRUE(h.app->WriteSongImage(image));
    EXPECT_TRUE(h.app->backup->HasCrashImage());
    EXPECT_EQ(h.ReadFile(h.app->backup->BackupPath(1)), std::string(image.begin(), image.end()));
    EXPECT_FALSE(std::filesystem::exists(h.app->backup->BackupPath(2)));  // unchanged since: no second copy
    std::string folder = h.app->backup->Directory();  // a run whose process is gone left its marker
    h.app->StopBackups();
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string marker = folder + "running-" + std::to_string(gone);
    AppHarness::WriteFile(marker, "");  // left when that run started, before its backup
    std::filesystem::last_write_time(marker, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    h.app->StartBackups();
    EXPECT_EQ(h.Status(), "Quillnote did not close properly. Backup: " + folder + "backup-1.qnt");
    EXPECT_FALSE(std::filesystem::exists(marker));
    ScriptedDialog dialog;
    dialog.Choose("saved.qnt");
    h.Run(kCommandSaveSong);
    EXPECT_FALSE(h.app->SongChanged() || marked() || h.app->backup->HasCrashImage());
}

constexpr int kWindowClose = -1;  // an SDL_QUIT event instead of a command

struct ScriptedQuestion {
    ScriptedQuestion() { SetSaveQuestion([this] { return ++asked, answer; }); }
    ~ScriptedQuestion() { SetSaveQuestion({}); }
    SaveAnswer answer = SaveAnswer::kCancel;
    int asked = 0;
};

// Each command with each answer; an unchanged song is not asked about; the question boxes read their answers.
TEST(UnsavedChanges, EachCommandWithEachAnswerAndTheQuestionBoxes) {
    AppHarness h;
    ASSERT_TRUE(h.started);
    ScriptedQuestion question;
    ScriptedDialog dialog;
    struct Case { int command; bool quits, asksForFile, replaces; };
    const Case cases[] = {{kCommandQuit, true, false, false}, {kWindowClose, true, false, false},
                          {kCommandNewSong, false, false, true}, {kCommandNewSongKeepInstruments, false, false, true},
                          {kCommandLoadSong, false, true, false}, {kCommandImportProTracker, false, true, false},
                          {kCommandImportQxm, false, true, false}};
    for (const Case& c : cases) {
        for (SaveAnswer answer : {SaveAnswer::kSave, SaveAnswer::kDiscard, SaveAnswer::kCancel}) {
            SCOPED_TRACE(::testing::Message() << "command " << c.command << " answer " << int(answer));
            h.app->RememberSongPath("song.qnt");
            ASSERT_TRUE(h.app->SaveSong("song.qnt"));
            h.app->MarkSongSaved();
            const std::string savedBytes = h.ReadFile("song.qnt");
            qntPatternStep& step = h.app->document->song.Pattern(1)[5];
            const int edited = step.Note() == 30 ? 31 : 30;
            step.SetNote(edited);
            question.asked = 0;
            question.answer = answer;
            dialog.requests.clear();
            if (c.command == kWindowClose) h.PushType(SDL_QUIT); else h.Command(c.command);
            const bool quit = h.Frame(), goesOn = answer != SaveAnswer::kCancel;
            h.app->quit = false;
            EXPECT_EQ(std::tuple(question.asked, h.ReadFile("song.qnt") != savedBytes, quit, dialog.requests.size(),
                                 h.app->document->song.Pattern(1)[5].Note() == edited),
                      std::tuple(1, answer == SaveAnswer::kSave, c.quits && goesOn, size_t(c.asksForFile && goesOn),
                                 !(c.replaces && goesOn)));
        }
    }
    question.asked = 0;
    h.app->MarkSongSaved();
    h.Command(kCommandNewSong);
    EXPECT_TRUE(h.Run(kCommandQuit));
    EXPECT_EQ(question.asked, 0);
    EXPECT_EQ((std::vector<SaveAnswer>{ZenityAnswer(0, ""), ZenityAnswer(1, "Discard\n"), ZenityAnswer(1, ""),
                                       ZenityAnswer(5, ""), KdialogAnswer(0), KdialogAnswer(1), KdialogAnswer(2)}),
              (std::vector<SaveAnswer>{SaveAnswer::kSave, SaveAnswer::kDiscard, SaveAnswer::kCancel,
                                       SaveAnswer::kCancel, SaveAnswer::kSave, SaveAnswer::kDiscard,
                                       SaveAnswer::kCancel}));
    // The built-in prompt: keys and clicks on its three buttons.
    const SaveAnswer order[] = {SaveAnswer::kSave, SaveAnswer::kDiscard, SaveAnswer::kCancel};
    const SDL_Keycode keys[] = {SDLK_s, SDLK_d, SDLK_ESCAPE};
    for (int i = 0; i < 3; ++i) {
        SavePrompt byKey, byClick;
        EXPECT_TRUE(byKey.HandleEvent(AppHarness::KeyEvent(keys[i])) && byKey.answer == order[i]) << i;
        const SDL_Rect button = byClick.ButtonRect(i, byClick.width, byClick.height);
        const SDL_Event click = AppHarness::ButtonEvent(false, button.x + button.w / 2, button.y + button.h / 2);
        EXPECT_TRUE(byClick.HandleEvent(click) && byClick.answer == order[i]) << i;
    }
}

}  // namespace
}  // namespace qn::testing
