// Backups: rotation through five places, the crash path in a process that
// is really killed by a signal, the autosave of a changed song, and the
// note at start-up after a run that did not end properly.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "app/backup.h"
#include "app_harness.h"
#include "scripted_dialog.h"

namespace qn::testing {
namespace {

class BackupFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qn_backup_XXXXXX";
        folder = mkdtemp(pattern);
        folder += "/deep/backup";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder.substr(0, folder.size() - std::string("/deep/backup").size()), ignored);
    }
    bool Write(BackupStore& store, const std::string& text) {
        return store.WriteBackup(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }
    std::string folder;
};

TEST_F(BackupFolder, KeepsTheNewestFive) {
    BackupStore store;
    ASSERT_TRUE(store.Open(folder, 64));
    for (int i = 1; i <= 7; ++i) ASSERT_TRUE(Write(store, "backup " + std::to_string(i)));
    for (int place = 1; place <= BackupStore::kKeep; ++place)
        EXPECT_EQ(AppHarness::ReadFile(store.BackupPath(place)), "backup " + std::to_string(8 - place));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.is_regular_file();
    EXPECT_EQ(files, BackupStore::kKeep);
}

TEST_F(BackupFolder, AFatalSignalWritesThePublishedImage) {
    BackupStore store;
    ASSERT_TRUE(store.Open(folder, 64));
    ASSERT_TRUE(Write(store, "older"));
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
    EXPECT_EQ(AppHarness::ReadFile(store.BackupPath(1)), image);
    EXPECT_EQ(AppHarness::ReadFile(store.BackupPath(2)), "older");
    // Nothing published (the song is saved): the crash path writes nothing.
    store.ClearCrashImage();
    EXPECT_FALSE(store.WriteCrashBackup());
}

TEST(AppBackup, AutosaveOfAChangedSongAndTheNoteAfterACrash) {
    AppHarness h;
    ASSERT_TRUE(h.started);
    ASSERT_TRUE(h.app->backup && h.app->backup->IsOpen());
    EXPECT_EQ(h.app->backup->Directory(), std::filesystem::current_path().string() + ".data/quillnote/backup/");
    h.app->changeCheckSeconds = 0.0;
    h.app->autosaveSeconds = 0.0;
    h.Frame(2);
    EXPECT_FALSE(h.app->backup->HasCrashImage());
    EXPECT_FALSE(std::filesystem::exists(h.app->backup->BackupPath(1)));

    h.app->document->song.Pattern(2)[3].SetNote(40);
    h.Frame(2);
    std::vector<uint8_t> image;
    ASSERT_TRUE(h.app->WriteSongImage(image));
    EXPECT_TRUE(h.app->backup->HasCrashImage());
    EXPECT_EQ(h.ReadFile(h.app->backup->BackupPath(1)), std::string(image.begin(), image.end()));
    EXPECT_FALSE(std::filesystem::exists(h.app->backup->BackupPath(2)));  // unchanged since: no second copy

    // A run whose process is gone left its marker: the next start names
    // the backup that run wrote.
    std::string folder = h.app->backup->Directory();
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

    // A saved song has nothing to back up.
    ScriptedDialog dialog;
    dialog.Choose("saved.qnt");
    h.Command(kCommandSaveSong);
    h.Frame();
    EXPECT_FALSE(h.app->backup->HasCrashImage());
}

}  // namespace
}  // namespace qn::testing
