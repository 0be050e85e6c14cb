#include "app/backup.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace qn {

constexpr const char* kMarkerPrefix = "running-";
constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kFatalSignalCount = int(sizeof(kFatalSignals) / sizeof(kFatalSignals[0]));
constexpr size_t kAltStackSize = 64 * 1024;

static std::atomic<BackupStore*> gCrashStore{nullptr};
static std::atomic<bool> gCrashing{false};
static struct sigaction gPreviousActions[kFatalSignalCount];

BackupStore::~BackupStore() { RemoveCrashHandler(); }

std::string BackupStore::DefaultDirectory() {
    // A relative XDG_DATA_HOME is invalid and is ignored.
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && dataHome[0] == '/') return std::string(dataHome) + "/quillnote/backup/";
    const char* home = std::getenv("HOME");
    if (home && *home) return std::string(home) + "/.local/share/quillnote/backup/";
    return {};
}

bool BackupStore::Open(const std::string& directory, size_t imageCapacity) {
    open_ = false;
    if (directory.empty()) return false;
    directory_ = directory;
    if (directory_.back() != '/') directory_ += '/';
    if (directory_.size() + 32 >= kPathSize) return false;
    std::error_code error;
    std::filesystem::create_directories(directory_, error);
    struct stat info;
    if (stat(directory_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    for (int number = 1; number <= kKeep; ++number)
        std::snprintf(backupPaths_[number - 1], kPathSize, "%s", BackupPath(number).c_str());
    std::snprintf(autosaveTemp_, kPathSize, "%sbackup.tmp", directory_.c_str());
    std::snprintf(crashTemp_, kPathSize, "%scrash.tmp", directory_.c_str());
    std::snprintf(directoryPath_, kPathSize, "%s", directory_.c_str());
    capacity_ = imageCapacity;
    for (auto& image : images_) image.reset(new uint8_t[capacity_]);
    open_ = true;
    return true;
}

std::string BackupStore::BackupPath(int number) const {
    return directory_ + "backup-" + std::to_string(number) + ".qnt";
}

// Everything below up to the signal handler is async-signal-safe: system
// calls on fixed buffers only.
static bool WriteAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

bool BackupStore::WriteRotated(const char* temp, const uint8_t* data, size_t size) {
    if (!open_) return false;
    int fd = open(temp, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool written = WriteAll(fd, data, size) && fsync(fd) == 0;
    if (close(fd) != 0) written = false;
    if (!written) {
        unlink(temp);
        return false;
    }
    for (int place = kKeep - 1; place >= 1; --place) rename(backupPaths_[place - 1], backupPaths_[place]);
    if (rename(temp, backupPaths_[0]) != 0) {
        unlink(temp);
        return false;
    }
    // The renames themselves reach the disk with the folder.
    int folder = open(directoryPath_, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

bool BackupStore::WriteBackup(const uint8_t* data, size_t size) { return WriteRotated(autosaveTemp_, data, size); }

bool BackupStore::WriteCrashBackup() {
    int index = published_.load(std::memory_order_acquire);
    if (!open_ || index < 0) return false;
    return WriteRotated(crashTemp_, images_[index].get(), imageSizes_[index]);
}

void BackupStore::PublishCrashImage(const uint8_t* data, size_t size) {
    if (!open_ || size > capacity_ || gCrashing.load()) return;
    int next = published_.load() == 0 ? 1 : 0;
    std::memcpy(images_[next].get(), data, size);
    imageSizes_[next] = size;
    published_.store(next, std::memory_order_release);
}

void BackupStore::ClearCrashImage() { published_.store(-1, std::memory_order_release); }

static size_t TextLength(const char* text) {
    size_t length = 0;
    while (text[length]) ++length;
    return length;
}

static void WriteText(const char* text) {
    ssize_t ignored = write(STDERR_FILENO, text, TextLength(text));
    (void)ignored;
}

static void OnFatalSignal(int signalNumber) {
    BackupStore* store = gCrashStore.load();
    if (store && !gCrashing.exchange(true)) {
        if (store->WriteCrashBackup()) {
            WriteText("Quillnote stopped by a fatal signal. The unsaved song was written to ");
            WriteText(store->Directory().c_str());
            WriteText("backup-1.qnt\n");
        }
    }
    // SA_RESETHAND restored the default action; the signal is blocked until
    // the handler returns, and then ends the program as it would have.
    raise(signalNumber);
}

void BackupStore::InstallCrashHandler() {
    if (handlerInstalled_) return;
    altStack_.reset(new uint8_t[kAltStackSize]);
    stack_t stack = {};
    stack.ss_sp = altStack_.get();
    stack.ss_size = kAltStackSize;
    sigaltstack(&stack, nullptr);
    gCrashing.store(false);
    gCrashStore.store(this);
    struct sigaction action = {};
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    for (int i = 0; i < kFatalSignalCount; ++i) sigaction(kFatalSignals[i], &action, &gPreviousActions[i]);
    handlerInstalled_ = true;
}

void BackupStore::RemoveCrashHandler() {
    if (!handlerInstalled_) return;
    for (int i = 0; i < kFatalSignalCount; ++i) sigaction(kFatalSignals[i], &gPreviousActions[i], nullptr);
    gCrashStore.store(nullptr);
    stack_t stack = {};
    stack.ss_flags = SS_DISABLE;
    sigaltstack(&stack, nullptr);
    handlerInstalled_ = false;
}

bool BackupStore::StartSession(std::string* backupFromThatRun) {
    backupFromThatRun->clear();
    if (!open_) return false;
    bool crashed = false;
    time_t crashedRunStart = 0;
    if (DIR* folder = opendir(directory_.c_str())) {
        const size_t prefixLength = std::strlen(kMarkerPrefix);
        while (dirent* entry = readdir(folder)) {
            if (std::strncmp(entry->d_name, kMarkerPrefix, prefixLength) != 0) continue;
            char* end = nullptr;
            long pid = std::strtol(entry->d_name + prefixLength, &end, 10);
            if (!end || *end || pid <= 0 || pid == long(getpid())) continue;
            // Still running (another instance): not a crash.
            if (kill(pid_t(pid), 0) == 0 || errno == EPERM) continue;
            std::string path = directory_ + entry->d_name;
            struct stat info;
            if (stat(path.c_str(), &info) == 0 && (!crashed || info.st_mtime > crashedRunStart))
                crashedRunStart = info.st_mtime;
            unlink(path.c_str());
            crashed = true;
        }
        closedir(folder);
    }
    if (crashed) {
        struct stat info;
        std::string newest = BackupPath(1);
        if (stat(newest.c_str(), &info) == 0 && info.st_mtime >= crashedRunStart) *backupFromThatRun = newest;
    }
    marker_ = directory_ + kMarkerPrefix + std::to_string(long(getpid()));
    int fd = open(marker_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
    return crashed;
}

void BackupStore::EndSession() {
    if (!marker_.empty()) unlink(marker_.c_str());
    marker_.clear();
}

}  // namespace qn
