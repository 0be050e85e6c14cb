// The program's side of the backups: the store opened at start-up (with the
// note on the status line when the last run ended in a crash), and the
// check once a second that keeps the crash image current, renames the
// window when the song's changed state flips, and writes an autosave every
// minute while the song stays changed.
#include <cstdio>
#include <mutex>

#include "app/app.h"
#include "app/backup.h"
#include "song/song_image.h"

namespace qn {

constexpr int kStartupNoteFrames = 10;

void App::StartBackups() {
    backup = std::make_unique<BackupStore>();
    if (!backup->Open(BackupStore::DefaultDirectory(), kSongImageBufferSize)) {
        std::printf("Error: no backup folder; unsaved songs are not backed up\n");
        return;
    }
    std::string crashBackup;
    if (backup->StartSession(&crashBackup) && !crashBackup.empty()) {
        SetStatus("Quillnote did not close properly. Backup: %s", crashBackup.c_str());
        lastShownEditMode = editMode;  // the note stays instead of the edit mode
        startupNote = statusText;
        startupNoteFrames = kStartupNoteFrames;
    }
    backup->InstallCrashHandler();
}

void App::StopBackups() {
    if (!backup) return;
    backup->RemoveCrashHandler();
    backup->EndSession();
    backup.reset();
}

void App::ClearCrashImage() {
    crashImageChecksum = savedChecksum;
    if (backup) backup->ClearCrashImage();
}

void App::Housekeeping() {
    ReapChildren();
    // The first frames rebuild the window for the stored GUI size, which
    // leaves edit mode; the start-up note is kept over that announcement.
    if (startupNoteFrames > 0) {
        --startupNoteFrames;
        SetStatus("%s", startupNote.c_str());
        lastShownEditMode = editMode;
    }
    if (totalTime - lastChangeCheck < changeCheckSeconds) return;
    lastChangeCheck = totalTime;
    bool wasChanged = songChanged;
    uint32_t checksum = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        checksum = SongContentChecksum(*document);
    }
    songChanged = checksum != savedChecksum;
    if (songChanged && !wasChanged) changedSince = totalTime;
    UpdateWindowTitle();
    if (!backup || !backup->IsOpen()) return;
    if (!songChanged) {
        ClearCrashImage();
        return;
    }
    if (checksum != crashImageChecksum) {
        if (!WriteSongImage(backupImage)) return;
        backup->PublishCrashImage(backupImage.data(), backupImage.size());
        std::lock_guard<std::recursive_mutex> lock(audioMutex);
        crashImageChecksum = SongContentChecksum(*document);
    }
    if (changedSince >= 0.0 && totalTime - changedSince >= autosaveSeconds &&
        crashImageChecksum != autosaveChecksum && !backupImage.empty()) {
        if (backup->WriteBackup(backupImage.data(), backupImage.size())) autosaveChecksum = crashImageChecksum;
        changedSince = totalTime;
    }
}

}  // namespace qn
