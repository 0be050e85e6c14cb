// A file dialog that answers from a script instead of asking a person:
// each Open takes the next answer (cancel when the script has run out)
// and the requests are kept for the test to look at.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "app/file_dialog.h"

namespace qn::testing {

class ScriptedDialog {
public:
    ScriptedDialog() {
        FileReq::SetDialog([this](const DialogRequest& request, std::string* path, std::string* error) {
            requests.push_back(request);
            if (answers.empty()) return DialogOutcome::kCancel;
            Answer answer = answers.front();
            answers.pop_front();
            *(answer.outcome == DialogOutcome::kError ? error : path) = answer.text;
            return answer.outcome;
        });
    }
    ~ScriptedDialog() { FileReq::SetDialog({}); }
    ScriptedDialog(const ScriptedDialog&) = delete;
    ScriptedDialog& operator=(const ScriptedDialog&) = delete;

    void Choose(const std::string& path) { answers.push_back({DialogOutcome::kOk, path}); }
    void Cancel() { answers.push_back({DialogOutcome::kCancel, {}}); }
    void Fail(const std::string& error) { answers.push_back({DialogOutcome::kError, error}); }

    struct Answer { DialogOutcome outcome; std::string text; };
    std::deque<Answer> answers;
    std::vector<DialogRequest> requests;
};

}  // namespace qn::testing
