#pragma once

#include <deque>
#include <vector>

#include "common/user_interaction.h"

namespace qinghe::testing {

// Answers message boxes from a script (OK when the script runs out) and
// records what was shown; endProgram is recorded instead of ending the test.
class ScriptedUser : public UserInteraction {
public:
    MessageAnswer showMessage(const Message& message) override {
        messages.push_back(message);
        if (answers.empty()) return MessageAnswer::Ok;
        MessageAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void endProgram() override { ++endCalls; }

    std::deque<MessageAnswer> answers;
    std::vector<Message> messages;
    int endCalls = 0;
};

}  // namespace qinghe::testing
