// File dialogs: one request object wraps one modal open or save dialog and
// hands back the chosen path as UTF-8. On the desktop the dialog is zenity,
// else kdialog, else a prompt drawn in the program's own window where the
// path is typed; tests put a scripted dialog in their place.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qn {

// One group of a filter list: "mod,xm" is the group named "mod,xm" with the
// extensions mod and xm.
struct FilterGroup {
    std::string name;
    std::vector<std::string> extensions;
};

// Splits a filter list: ',' separates the extensions of a group and ';'
// separates groups ("qnt", "mod,xm;wav"). A null or empty list gives no
// groups and succeeds. A list with an empty group or extension fails.
bool ParseFilterList(const char* filterList, std::vector<FilterGroup>* groups);

enum class DialogOutcome { kOk, kCancel, kError };

// What a dialog is asked.
struct DialogRequest {
    std::vector<FilterGroup> groups;
    bool save = false;
};

// A dialog: on kOk it fills `path`, on kError `error`.
using FileDialogFunction =
    std::function<DialogOutcome(const DialogRequest& request, std::string* path, std::string* error)>;

class FileReq {
public:
    FileReq() = default;
    FileReq(const FileReq&) = delete;
    FileReq& operator=(const FileReq&) = delete;
    virtual ~FileReq();

    // Shows the dialog for the filter list; `save` asks for a file to write
    // (zenity and kdialog confirm overwriting). True when the user chose a
    // file: Path() holds it until the next Open or the request's end. False
    // when the user cancelled or the dialog failed; both are reported on
    // standard output ("User pressed cancel.", "Error: %s").
    bool Open(const char* filterList, bool save);
    const char* Path() const { return path_; }

    // Replaces the desktop dialog (tests inject a scripted one); an empty
    // function restores the desktop dialog.
    static void SetDialog(FileDialogFunction dialog);

private:
    char* path_ = nullptr;
};

// The text of the last dialog error (at most 255 characters).
const char* FileDialogError();

// The desktop dialog: zenity or kdialog when one of them can run on this
// display, else the built-in prompt.
DialogOutcome RunDesktopDialog(const DialogRequest& request, std::string* path, std::string* error);

// Runs an external dialog program with `arguments` (argv[0] is looked up
// on the PATH) and collects its standard output. Returns false when it could
// not be started; `exitCode` is its exit status (-1 when it did not exit).
bool RunDialogProgram(const std::vector<std::string>& arguments, std::string* output, int* exitCode);

// The argument lists of the two external dialogs for a request.
std::vector<std::string> ZenityArguments(const DialogRequest& request);
std::vector<std::string> KdialogArguments(const DialogRequest& request);

}  // namespace qn
