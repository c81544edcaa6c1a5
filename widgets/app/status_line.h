#pragma once
// The main window's status bar: the link text, the operation text and the
// progress bar, each in its own part so screen readers read each. The parts
// keep fixed places rather than the bar's own layout, which would share the
// width out among them.

#include <QStatusBar>

class QLabel;
class QProgressBar;

class StatusLine : public QStatusBar {
    Q_OBJECT
public:
    // Right edges of the first two parts, in pixels; the third ends at the edge.
    static constexpr int kLinkPartEnd = 300;
    static constexpr int kOperationPartEnd = 500;
    static constexpr int kProgressLeft = 503;
    static constexpr int kProgressTop = 2;

    // progressSize: the progress bar's size, in pixels.
    StatusLine(QSize progressSize, QWidget* parent = nullptr);

    void setLinkText(const QString& text);
    // While the port is open, the link part's tooltip also names the device
    // behind it ("Com2 opens /dev/ttyUSB0"); empty when closed.
    void setLinkDevice(const QString& device);
    void setOperationText(const QString& text);
    void setProgress(int step);

    QLabel* linkLabel() const { return link_; }
    QLabel* operationLabel() const { return operation_; }
    QProgressBar* progressBar() const { return progress_; }

    // Places the parts for the current size; also done on every resize.
    void arrangeParts();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The third part's sunken frame is painted, not a widget: an empty frame widget
    // would stand between the texts and the progress bar for screen readers.
    void paintEvent(QPaintEvent* event) override;

private:
    QRect progressPart() const;

    QLabel* link_;
    QLabel* operation_;
    QProgressBar* progress_;
    QSize progressSize_;
    QString linkDevice_;
};
