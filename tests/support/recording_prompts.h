#pragma once
// The user's side of the settings dialogs' questions: every box is recorded and
// closed at once, every file dialog answered with what the test set up.

#include <deque>
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
    struct FileQuestion {
        bool save;
        FileChoice choice;
    };
    std::vector<Box> shown;
    // Boxes ("box:<text>") and file dialogs ("open?", "save?") in the order they came.
    std::vector<std::string> events;
    std::vector<FileQuestion> fileQuestions;
    // What the file dialogs answer: the queue in turn while it holds answers,
    // otherwise the fixed answer of each kind; nothing means the user cancelled.
    std::deque<std::optional<std::string>> fileAnswers;
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
        events.push_back("open?");
        return answer(false, choice, openAnswer);
    }
    std::optional<std::string> saveFileName(const FileChoice& choice) override {
        events.push_back("save?");
        return answer(true, choice, saveAnswer);
    }

    std::vector<FileChoice> choices() const {
        std::vector<FileChoice> all;
        for (const FileQuestion& q : fileQuestions) all.push_back(q.choice);
        return all;
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const Box& box : shown) all.push_back(box.text);
        return all;
    }

private:
    std::optional<std::string> answer(bool save, const FileChoice& choice, const std::optional<std::string>& fixed) {
        fileQuestions.push_back({save, choice});
        if (fileAnswers.empty()) return fixed;
        std::optional<std::string> path = fileAnswers.front();
        fileAnswers.pop_front();
        return path;
    }
};

}  // namespace norvik::test
