#include "app/file_dialog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qn {

static char gDialogError[256] = {};
static FileDialogFunction gDialogOverride;

static void SetDialogError(const std::string& text) {
    std::snprintf(gDialogError, sizeof(gDialogError), "%s", text.c_str());
}

const char* FileDialogError() { return gDialogError; }

bool ParseFilterList(const char* filterList, std::vector<FilterGroup>* groups) {
    groups->clear();
    if (!filterList || !*filterList) return true;
    std::string list = filterList;
    size_t start = 0;
    for (;;) {
        size_t end = list.find(';', start);
        std::string groupText = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
        FilterGroup group;
        group.name = groupText.substr(0, 255);
        size_t from = 0;
        for (;;) {
            size_t comma = groupText.find(',', from);
            std::string extension =
                groupText.substr(from, comma == std::string::npos ? std::string::npos : comma - from);
            if (extension.empty()) {
                groups->clear();
                return false;
            }
            group.extensions.push_back(extension);
            if (comma == std::string::npos) break;
            from = comma + 1;
        }
        groups->push_back(group);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return true;
}

FileReq::~FileReq() { std::free(path_); }

void FileReq::SetDialog(FileDialogFunction dialog) { gDialogOverride = std::move(dialog); }

bool FileReq::Open(const char* filterList, bool save) {
    std::free(path_);
    path_ = nullptr;
    DialogRequest request;
    request.save = save;
    std::string path, error;
    DialogOutcome outcome;
    if (!ParseFilterList(filterList, &request.groups)) {
        error = "Error parsing filters.";
        outcome = DialogOutcome::kError;
    } else if (gDialogOverride) {
        outcome = gDialogOverride(request, &path, &error);
    } else {
        outcome = RunDesktopDialog(request, &path, &error);
    }
    if (outcome == DialogOutcome::kOk && path.empty()) {
        outcome = DialogOutcome::kError;
        error = "Could not get file path for selected.";
    }
    switch (outcome) {
        case DialogOutcome::kOk:
            path_ = strdup(path.c_str());
            if (!path_) {
                SetDialogError("NFDi_Malloc failed.");
                std::printf("Error: %s\n", gDialogError);
                return false;
            }
            std::printf("Success!\n%s\n", path_);
            return true;
        case DialogOutcome::kCancel:
            std::printf("User pressed cancel.\n");
            return false;
        case DialogOutcome::kError:
            break;
    }
    SetDialogError(error.empty() ? "File dialog box show failed." : error);
    std::printf("Error: %s\n", gDialogError);
    return false;
}

}  // namespace qn
