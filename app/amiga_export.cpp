// "Export Amiga EXE": the song is written to "utils/song.qnt" exactly as
// "Save Song" writes it, and "utils/make_exe.sh" (relative to the working
// directory) is started to build an Amiga program from it. The script is
// started directly, without a shell command line, and not waited for; its
// exit is collected by the frame loop. What the script gets and is expected
// to make is described in utils/README.md.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "app/app.h"

extern char** environ;

namespace qn {

constexpr const char* kAmigaSongPath = "utils/song.qnt";
constexpr const char* kAmigaScript = "utils/make_exe.sh";

bool StartDetachedScript(const char* path, int* childId) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    // The script must not read the terminal the program was started from.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    char* argv[] = {const_cast<char*>(path), nullptr};
    pid_t child = 0;
    int failed = posix_spawn(&child, path, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) return false;
    *childId = int(child);
    return true;
}

void App::ExportAmigaCommand() {
    // Written beside its place and renamed over it when complete, so the
    // script never sees half a song. The song's own path and saved state
    // stay as they are.
    if (!SaveSong(kAmigaSongPath)) {
        SetStatus("Failed. Could not save song.");
        return;
    }
    int child = 0;
    if (!StartDetachedScript(kAmigaScript, &child)) {
        std::printf("Error: could not start %s\n", kAmigaScript);
        SetStatus("Failed. Could not start %s.", kAmigaScript);
        return;
    }
    childProcesses.push_back(child);
}

void App::ReapChildren() {
    for (size_t i = 0; i < childProcesses.size();) {
        int status = 0;
        pid_t result = waitpid(pid_t(childProcesses[i]), &status, WNOHANG);
        if (result == 0 || (result < 0 && errno == EINTR)) {
            ++i;
            continue;
        }
        childProcesses.erase(childProcesses.begin() + long(i));
    }
}

}  // namespace qn
