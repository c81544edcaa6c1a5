#pragma once
// The user's side of the settings dialogs' questions: every box is recorded and
// closed at once, every file dialog answered with what the test set up.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/user_prompts.h"

namespace norvik::test {

class RecordingPrompts : public UserPrompts {
public:
    struct Box {
        std::string title;
        std::string text;
    };
    std::vector<Box> shown;
    // Boxes ("box:<text>") and file dialogs ("open?", "save?") in the order they came.
    std::vector<std::string> events;
    std::vector<FileChoice> choices;
    // What the file dialogs answer; nothing means the user cancelled.
    std::optional<std::string> openAnswer;
    std::optional<std::string> saveAnswer;
    // Runs while a box is "open".
    std::function<void()> whileOpen;

    void showMessage(std::string_view title, std::string_view text) override {
        shown.push_back({std::string(title), std::string(text)});
        events.push_back("box:" + std::string(text));
        if (whileOpen) whileOpen();
    }
    std::optional<std::string> openFileName(const FileChoice& choice) override {
        choices.push_back(choice);
        events.push_back("open?");
        return openAnswer;
    }
    std::optional<std::string> saveFileName(const FileChoice& choice) override {
        choices.push_back(choice);
        events.push_back("save?");
        return saveAnswer;
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const Box& box : shown) all.push_back(box.text);
        return all;
    }
};

}  // namespace norvik::test
