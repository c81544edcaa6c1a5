#include "app/status_line.h"

#include <QLabel>
#include <QProgressBar>
#include <algorithm>

namespace {

QLabel* makePart(QWidget* parent) {
    auto* part = new QLabel(parent);
    part->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    part->setIndent(3);
    part->setTextFormat(Qt::PlainText);
    return part;
}

}  // namespace

StatusLine::StatusLine(QSize progressSize, QWidget* parent)
    : QFrame(parent), link_(makePart(this)), operation_(makePart(this)),
      progressPart_(new QFrame(this)),
      progress_(new QProgressBar(this)),
      progressSize_(progressSize) {
    progressPart_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    progress_->setRange(0, 9);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Progress"));
    setFixedHeight(progressSize.height() + 2 * kProgressTop);
}

void StatusLine::setLinkText(const QString& text) { link_->setText(text); }
void StatusLine::setOperationText(const QString& text) { operation_->setText(text); }
void StatusLine::setProgress(int step) { progress_->setValue(step); }

void StatusLine::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    arrangeParts();
}

void StatusLine::arrangeParts() {
    const int h = height();
    link_->setGeometry(0, 0, kLinkPartEnd, h);
    operation_->setGeometry(kLinkPartEnd, 0, kOperationPartEnd - kLinkPartEnd, h);
    progressPart_->setGeometry(kOperationPartEnd, 0, std::max(0, width() - kOperationPartEnd), h);
    const int progressWidth = std::clamp(width() - kProgressLeft - kProgressTop, 0, progressSize_.width());
    progress_->setGeometry(kProgressLeft, kProgressTop, progressWidth, progressSize_.height());
    progress_->raise();
}
