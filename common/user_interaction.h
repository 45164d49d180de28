#pragma once

#include <string>

namespace qinghe {

enum class MessageIcon { Error, Information, Question, Warning };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// One message box: texts are GBK, as everything inside the core.
struct Message {
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::Information;
    MessageButtons buttons = MessageButtons::Ok;
};

// Every question to the user goes through this: the program implements it with
// Qt, tests with scripted answers.
class UserInteraction {
public:
    virtual ~UserInteraction() = default;
    virtual MessageAnswer showMessage(const Message& message) = 0;
    // Ends the process at once, without closing windows or saving anything.
    // A scripted implementation records the call and returns, so callers must
    // not rely on it not returning.
    virtual void endProgram() = 0;
};

}  // namespace qinghe
