#pragma once
// Every modal box of the main window goes through here, so that tests can
// answer them without a nested event loop.

#include <QString>

class QWidget;

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;

    // A box with an OK button only; returns when it is closed.
    virtual void showMessage(QWidget* parent, const QString& title, const QString& text) = 0;
    // The "Exit Norvik" question; true when the user chose OK.
    virtual bool confirmExit(QWidget* parent) = 0;
};

class QtMessageBoxes : public MessageBoxes {
public:
    void showMessage(QWidget* parent, const QString& title, const QString& text) override;
    bool confirmExit(QWidget* parent) override;
};
