#pragma once
// Every modal box of the main window goes through here, so that tests can
// answer them without a nested event loop.

#include <QString>
#include <memory>

class QMessageBox;
class QWidget;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // A box with an OK button only; returns when it is closed.
    virtual void showMessage(QWidget* parent, const QString& title, const QString& text) = 0;
    // The same box with a second, smaller text under the first: the details
    // and what the user can do. Without an answer of its own it is the plain box.
    virtual void showDetailedMessage(QWidget* parent, const QString& title, const QString& text,
                                     const QString& informative) {
        (void)informative;
        showMessage(parent, title, text);
    }
    // The "Exit Norvik" question; true when the user chose OK.
    virtual bool confirmExit(QWidget* parent) = 0;
};

// The "Exit Norvik" question as QtMessageBoxes asks it, not yet shown.
std::unique_ptr<QMessageBox> exitQuestion(QWidget* parent);

class QtMessageBoxes : public MessageBoxes {
public:
    void showMessage(QWidget* parent, const QString& title, const QString& text) override;
    void showDetailedMessage(QWidget* parent, const QString& title, const QString& text,
                             const QString& informative) override;
    bool confirmExit(QWidget* parent) override;
};
