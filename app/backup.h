// Backups of an unsaved song: the periodic autosave and the crash backup.
//
// Both go to the same folder ($XDG_DATA_HOME/quillnote/backup, else
// ~/.local/share/quillnote/backup) as "backup-1.qnt" (the newest) to
// "backup-5.qnt"; each new backup pushes the others one place down and the
// sixth falls away. A file is written beside its place, flushed and renamed
// into it, so a backup is either whole or not there.
//
// The crash backup is written from a fatal-signal handler, where only
// async-signal-safe calls may be made: no allocation, no locks, no stdio.
// So the handler does not serialize the song itself (the crash may have hit
// in the middle of an edit or of the serializer). The program keeps a copy
// of the song image, made by the main thread at most a second old, in one
// of two buffers allocated up front; the handler writes the copy last
// published with open/write/fsync/rename into paths built up front, then
// lets the signal kill the program as it would have.
//
// A marker file "running-<pid>" lives in the folder while the program runs;
// one left behind by a process that is gone tells the next start that the
// program did not end properly.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace qn {

class BackupStore {
public:
    static constexpr int kKeep = 5;
    static constexpr size_t kPathSize = 4096;

    BackupStore() = default;
    BackupStore(const BackupStore&) = delete;
    BackupStore& operator=(const BackupStore&) = delete;
    ~BackupStore();

    // $XDG_DATA_HOME/quillnote/backup/ when XDG_DATA_HOME is set (and
    // absolute), else $HOME/.local/share/quillnote/backup/; "" without HOME.
    static std::string DefaultDirectory();

    // Creates the folder (and its parents), builds every path and allocates
    // the two image buffers of `imageCapacity` bytes. False when the folder
    // cannot be made; the store then writes nothing.
    bool Open(const std::string& directory, size_t imageCapacity);
    bool IsOpen() const { return open_; }
    const std::string& Directory() const { return directory_; }
    // "backup-N.qnt", N = 1 (newest) .. kKeep.
    std::string BackupPath(int number) const;

    // Writes one backup now: beside the folder's first place, then the
    // older ones move down one place and it is renamed into place 1.
    bool WriteBackup(const uint8_t* data, size_t size);

    // The image the crash handler writes: copied into the buffer that is not
    // published, then published. Images larger than the capacity are
    // dropped. ClearCrashImage: the song is saved, a crash writes nothing.
    void PublishCrashImage(const uint8_t* data, size_t size);
    void ClearCrashImage();
    bool HasCrashImage() const { return published_.load() >= 0; }

    // The crash path itself (the handler calls it; tests call it directly):
    // writes the published image, if any, as a backup without allocating.
    bool WriteCrashBackup();

    // Catches SIGSEGV, SIGBUS, SIGFPE, SIGILL and SIGABRT for this store
    // (one store per process), on an alternate stack so that a stack
    // overflow is caught too. The handler writes the crash backup, notes
    // it on standard error and raises the signal again with its default
    // action.
    void InstallCrashHandler();
    void RemoveCrashHandler();

    // Leaves the marker of this process. True when a marker of a process
    // that no longer runs was found (and removed): the last run crashed.
    // `backupFromThatRun` is then backup-1 when it was written after that
    // run started, else "".
    bool StartSession(std::string* backupFromThatRun);
    // Removes this process's marker (a clean end).
    void EndSession();

private:
    bool open_ = false;
    std::string directory_;
    std::string marker_;
    size_t capacity_ = 0;
    std::unique_ptr<uint8_t[]> images_[2];
    size_t imageSizes_[2] = {0, 0};
    std::atomic<int> published_{-1};
    // Paths as fixed buffers, for the signal handler.
    char backupPaths_[kKeep][kPathSize] = {};
    char autosaveTemp_[kPathSize] = {};
    char crashTemp_[kPathSize] = {};
    char directoryPath_[kPathSize] = {};
    std::unique_ptr<uint8_t[]> altStack_;
    bool handlerInstalled_ = false;

    bool WriteRotated(const char* temp, const uint8_t* data, size_t size);
};

}  // namespace qn
