#pragma once

#include "files/chooser.h"

#include <deque>

namespace tavrel::test {

// Answers file dialogs with scripted choices, in order (cancelling once they
// run out), and records what each dialog was asked to allow.
struct ScriptedChooser : ChooserBackend {
    std::vector<std::filesystem::path> Choose(const ChooserRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty())
            return {};
        std::vector<std::filesystem::path> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<std::vector<std::filesystem::path>> answers;
    std::vector<ChooserRequest> requests;
};

}  // namespace tavrel::test
