#pragma once
// The main window's status bar: the link text, the operation text and the
// progress bar, each in its own part so screen readers read each.

#include <QStatusBar>

class QLabel;
class QProgressBar;

class StatusLine : public QStatusBar {
    Q_OBJECT
public:
    // The first two parts' least widths, in pixels; the third takes the rest.
    static constexpr int kLinkPartWidth = 300;
    static constexpr int kOperationPartWidth = 200;

    explicit StatusLine(QWidget* parent = nullptr);

    void setLinkText(const QString& text);
    // While the port is open, the link part's tooltip also names the device
    // behind it ("Com2 opens /dev/ttyUSB0"); empty when closed.
    void setLinkDevice(const QString& device);
    // The link's words for what it does now ("Receive parameter now").
    void setOperationText(const QString& text);
    // While a Gateway command runs, its step holds the operation part, and the
    // link's words for the blocks the step asks for wait behind it; an empty
    // step gives the part back to them.
    void setRunStep(const QString& text);
    void setProgress(int step);

    QLabel* linkLabel() const { return link_; }
    QLabel* operationLabel() const { return operation_; }
    QProgressBar* progressBar() const { return progress_; }

protected:
    // The third part's sunken frame is painted, not a widget: an empty frame widget
    // would stand between the texts and the progress bar for screen readers.
    void paintEvent(QPaintEvent* event) override;

private:
    QRect progressPart() const;

    QLabel* link_;
    QLabel* operation_;
    QProgressBar* progress_;
    QString linkDevice_;
    QString linkOperation_;
    QString runStep_;
};
