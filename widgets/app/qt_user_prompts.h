#pragma once
// The user's questions as Qt asks them: QMessageBox and QFileDialog, modal over
// the dialog that asks.

#include <QPointer>
#include <QWidget>

#include "link/user_prompts.h"

class QtUserPrompts : public norvik::UserPrompts {
public:
    // The window the boxes are modal over; the top-level active window when null.
    void setParent(QWidget* parent) { parent_ = parent; }

    void showMessage(std::string_view title, std::string_view text) override;
    std::optional<std::string> openFileName(const norvik::FileChoice& choice) override;
    std::optional<std::string> saveFileName(const norvik::FileChoice& choice) override;
    std::optional<std::string> folderName(const norvik::FileChoice& choice) override;

private:
    QWidget* parentWidget() const;

    QPointer<QWidget> parent_;
};
