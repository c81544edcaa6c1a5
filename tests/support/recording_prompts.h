#pragma once
// A stand-in for the settings dialogs' message boxes and file dialogs: it
// records every question and answers the file dialogs from a queue, at once.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/user_prompts.h"

namespace norvik::test {

class RecordingPrompts : public UserPrompts {
public:
    struct Message {
        std::string title;
        std::string text;
    };
    struct FileQuestion {
        bool save;
        FileChoice choice;
    };

    std::vector<Message> messages;
    std::vector<FileQuestion> fileQuestions;
    // The answers to the file dialogs in turn; an empty queue cancels.
    std::deque<std::optional<std::string>> fileAnswers;
    // Runs while a box is "open".
    std::function<void(const Message&)> whileOpen;

    void showMessage(std::string_view title, std::string_view text) override {
        messages.push_back({std::string(title), std::string(text)});
        if (whileOpen) whileOpen(messages.back());
    }
    std::optional<std::string> openFileName(const FileChoice& choice) override { return answer(false, choice); }
    std::optional<std::string> saveFileName(const FileChoice& choice) override { return answer(true, choice); }

    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const Message& m : messages) all.push_back(m.text);
        return all;
    }

private:
    std::optional<std::string> answer(bool save, const FileChoice& choice) {
        fileQuestions.push_back({save, choice});
        if (fileAnswers.empty()) return std::nullopt;
        std::optional<std::string> path = fileAnswers.front();
        fileAnswers.pop_front();
        return path;
    }
};

}  // namespace norvik::test
