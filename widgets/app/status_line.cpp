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

    // Its width is its own, never its text's: a long message must not widen
    // the window it stands in.
    QSize sizeHint() const override { return {minimumWidth(), QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return sizeHint(); }

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

StatusLine::StatusLine(QWidget* parent)
    : QStatusBar(parent), link_(makePart(this)), operation_(makePart(this)), progress_(new QProgressBar(this)) {
    progress_->setRange(0, 9);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(tr("Progress"));
    const QFontMetrics metrics(font());
    progress_->setFixedSize(metrics.averageCharWidth() * 23, metrics.height() * 3 / 2);
    setSizeGripEnabled(false);
    setAccessibleName(tr("Status"));
    // A part grows beyond its width with the window, and only the text parts do.
    link_->setMinimumWidth(kLinkPartWidth);
    operation_->setMinimumWidth(kOperationPartWidth);
    addWidget(link_, 3);
    addWidget(operation_, 2);
    addPermanentWidget(progress_);
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

QRect StatusLine::progressPart() const {
    // From the end of the operation part, taking half the gap, to the edge.
    const int left = (operation_->geometry().right() + progress_->x()) / 2;
    return QRect(left, operation_->y(), std::max(0, width() - left), operation_->height());
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
