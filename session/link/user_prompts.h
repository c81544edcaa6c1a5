#pragma once
// The modal questions a settings dialog asks the user: message boxes with an OK
// button and the open and save file dialogs. The window layer answers them with
// Qt's boxes; tests answer them at once, so no test ever waits on a modal box.

#include <optional>
#include <string>
#include <string_view>

namespace norvik {

// What a file dialog offers: the filter text ("Norvik File (*.ptm)"), the name
// proposed in a save dialog, and the suffix added to a name typed without one.
struct FileChoice {
    std::string filter;
    std::string proposedName;
    std::string defaultSuffix;
};

class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    // A box with an OK button only; returns when it is closed.
    virtual void showMessage(std::string_view title, std::string_view text) = 0;
    // The chosen path, or nothing when the user cancelled. Saving asks no
    // question about replacing an existing file.
    virtual std::optional<std::string> openFileName(const FileChoice& choice) = 0;
    virtual std::optional<std::string> saveFileName(const FileChoice& choice) = 0;
    // A folder to write several files into; it may name one that does not exist
    // yet. Answered by a save dialog where no folder chooser is at hand.
    virtual std::optional<std::string> folderName(const FileChoice& choice) { return saveFileName(choice); }
};

}  // namespace norvik
