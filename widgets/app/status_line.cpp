#include "app/status_line.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <algorithm>

namespace {

// A part of fixed width. Some texts are wider than their part ("Error !
// System module does not exist!" needs some 230 of the 200 pixels in common
// fonts); they end in an ellipsis instead of being cut mid-letter, and the
// label keeps the whole text for screen readers and the tooltip.
class StatusPart : public QLabel {
public:
    explicit StatusPart(QWidget* parent) : QLabel(parent) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setIndent(3);
        setTextFormat(Qt::PlainText);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect area = contentsRect().adjusted(indent(), 0, 0, 0);
        const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
        style()->drawItemText(&painter, area, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), shown,
                              foregroundRole());
    }
};

QLabel* makePart(QWidget* parent) { return new StatusPart(parent); }

void setPartText(QLabel* part, const QString& text) {
    part->setText(text);
    part->setToolTip(text);
}

}  // namespace

StatusLine::StatusLine(QSize progressSize, QWidget* parent)
    : QStatusBar(parent), link_(makePart(this)), operation_(makePart(this)),
      progress_(new QProgressBar(this)),
      progressSize_(progressSize) {
    progress_->setRange(0, 9);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Progress"));
    setSizeGripEnabled(false);
    setAccessibleName(QStringLiteral("Status"));
    setFixedHeight(progressSize.height() + 2 * kProgressTop);
}

void StatusLine::setLinkText(const QString& text) {
    setPartText(link_, text);
    if (!linkDevice_.isEmpty()) link_->setToolTip(text + QLatin1Char('\n') + linkDevice_);
}

void StatusLine::setLinkDevice(const QString& device) {
    linkDevice_ = device;
    setLinkText(link_->text());
    setToolTip(device);
}
void StatusLine::setOperationText(const QString& text) { setPartText(operation_, text); }
void StatusLine::setProgress(int step) { progress_->setValue(step); }

void StatusLine::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    arrangeParts();
}

QRect StatusLine::progressPart() const {
    return QRect(kOperationPartEnd, 0, std::max(0, width() - kOperationPartEnd), height());
}

void StatusLine::paintEvent(QPaintEvent* event) {
    QStatusBar::paintEvent(event);
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = progressPart();
    frame.frameShape = QFrame::Panel;
    frame.lineWidth = 1;
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    style()->drawControl(QStyle::CE_ShapedFrame, &frame, &painter, this);
}

void StatusLine::arrangeParts() {
    const int h = height();
    link_->setGeometry(0, 0, kLinkPartEnd, h);
    operation_->setGeometry(kLinkPartEnd, 0, kOperationPartEnd - kLinkPartEnd, h);
    const int progressWidth = std::clamp(width() - kProgressLeft - kProgressTop, 0, progressSize_.width());
    progress_->setGeometry(kProgressLeft, kProgressTop, progressWidth, progressSize_.height());
}
