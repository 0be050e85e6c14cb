// The desktop's file dialogs: zenity (GNOME and most desktops), else kdialog
// (KDE), else the prompt drawn in the program's window. The external
// dialogs run as child processes; the frame loop waits for them, as it
// would for any modal dialog.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "app/file_dialog.h"
#include "app/path_prompt.h"

extern char** environ;

namespace qn {

// Exit codes both dialog programs use.
constexpr int kDialogExitOk = 0;
constexpr int kDialogExitCancel = 1;
constexpr const char* kAllFilesName = "All Files (*.*)";

std::vector<std::string> ZenityArguments(const DialogRequest& request) {
    std::vector<std::string> arguments = {"zenity", "--file-selection"};
    arguments.push_back(request.save ? "--title=Save File" : "--title=Open File");
    if (request.save) {
        arguments.push_back("--save");
        arguments.push_back("--confirm-overwrite");
    }
    if (!request.groups.empty()) {
        for (const FilterGroup& group : request.groups) {
            std::string filter = "--file-filter=" + group.name + " |";
            for (const std::string& extension : group.extensions) filter += " *." + extension;
            arguments.push_back(filter);
        }
        // "*" rather than "*.*": on Linux many files have no extension.
        arguments.push_back(std::string("--file-filter=") + kAllFilesName + " | *");
    }
    return arguments;
}

std::vector<std::string> KdialogArguments(const DialogRequest& request) {
    std::vector<std::string> arguments = {"kdialog", "--title", request.save ? "Save File" : "Open File"};
    arguments.push_back(request.save ? "--getsavefilename" : "--getopenfilename");
    arguments.push_back(".");
    if (!request.groups.empty()) {
        std::string filter;
        for (const FilterGroup& group : request.groups) {
            for (size_t i = 0; i < group.extensions.size(); ++i)
                filter += (i ? " *." : "*.") + group.extensions[i];
            filter += "|" + group.name + "\n";
        }
        filter += std::string("*|") + kAllFilesName;
        arguments.push_back(filter);
    }
    return arguments;
}

bool RunDialogProgram(const std::vector<std::string>& arguments, std::string* output, int* exitCode) {
    output->clear();
    *exitCode = -1;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    // The dialogs' toolkit warnings would only clutter the program's output.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0) {
        close(pipeEnds[0]);
        return false;
    }
    char buffer[4096];
    for (;;) {
        ssize_t got = read(pipeEnds[0], buffer, sizeof(buffer));
        if (got > 0) {
            output->append(buffer, size_t(got));
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeEnds[0]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return true;
    }
    if (WIFEXITED(status)) *exitCode = WEXITSTATUS(status);
    // A shell would report a program it could not run as 127.
    return *exitCode != 127;
}

// Runs one external dialog. False when the program is not there.
static bool RunExternalDialog(const std::vector<std::string>& arguments, DialogOutcome* outcome,
                              std::string* path, std::string* error) {
    std::string output;
    int exitCode = -1;
    if (!RunDialogProgram(arguments, &output, &exitCode)) return false;
    if (exitCode == kDialogExitCancel) {
        *outcome = DialogOutcome::kCancel;
    } else if (exitCode == kDialogExitOk) {
        size_t lineEnd = output.find('\n');
        *path = output.substr(0, lineEnd);
        *outcome = DialogOutcome::kOk;
    } else {
        *error = "File dialog box show failed.";
        *outcome = DialogOutcome::kError;
    }
    return true;
}

DialogOutcome RunDesktopDialog(const DialogRequest& request, std::string* path, std::string* error) {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    bool desktop = (x11 && *x11) || (wayland && *wayland);
    DialogOutcome outcome = DialogOutcome::kCancel;
    if (desktop) {
        if (RunExternalDialog(ZenityArguments(request), &outcome, path, error)) return outcome;
        if (RunExternalDialog(KdialogArguments(request), &outcome, path, error)) return outcome;
    }
    return RunPathPrompt(request, path, error);
}

}  // namespace qn
