#include "app/status_line.h"

#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <algorithm>
#include <vector>

namespace {

// A part of its own width that shows its whole text: a message longer than
// the part ("Error ! System module does not exist!" needs some 230 of the 200
// pixels in common fonts, a saved backup's path any number) wraps at its words,
// or inside a word longer than the part, and the part grows to as many lines.
// It never grows wider: a long message must not widen the window it stands in.
class StatusPart : public QLabel {
public:
    explicit StatusPart(QWidget* parent) : QLabel(parent) {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setIndent(3);
        setTextFormat(Qt::PlainText);
    }

    QSize sizeHint() const override {
        const int lines = std::max(1, static_cast<int>(layOut(textWidth(std::max(width(), minimumWidth()))).size()));
        const int frame = frameWidth() * 2 + contentsMargins().top() + contentsMargins().bottom();
        return {minimumWidth(),
                std::max(QLabel::minimumSizeHint().height(), lines * fontMetrics().lineSpacing() + frame)};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QLabel::resizeEvent(event);
        // Another width may need another number of lines.
        if (sizeHint().height() != height()) updateGeometry();
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawFrame(&painter);
        const QRect area = contentsRect().adjusted(indent(), 0, 0, 0);
        const std::vector<QString> lines = layOut(area.width());
        const int spacing = fontMetrics().lineSpacing();
        int top = area.top() + (area.height() - static_cast<int>(lines.size()) * spacing) / 2;
        for (const QString& line : lines) {
            style()->drawItemText(&painter, QRect(area.left(), top, area.width(), spacing),
                                  Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(), line, foregroundRole());
            top += spacing;
        }
    }

private:
    int textWidth(int partWidth) const {
        const QMargins margins = contentsMargins();
        return std::max(1, partWidth - 2 * frameWidth() - margins.left() - margins.right() - indent());
    }

    // The text's lines at `width`: broken between words where it can be, inside
    // a word only where the word alone is wider than the part.
    std::vector<QString> layOut(int width) const {
        QString text = this->text();
        text.replace(QLatin1Char('\n'), QChar::LineSeparator);
        QTextLayout layout(text, font());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        std::vector<QString> lines;
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            lines.push_back(text.mid(line.textStart(), line.textLength()).trimmed());
        }
        layout.endLayout();
        return lines;
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
void StatusLine::setOperationText(const QString& text) {
    linkOperation_ = text;
    if (runStep_.isEmpty()) setPartText(operation_, text);
}

void StatusLine::setRunStep(const QString& text) {
    runStep_ = text;
    setPartText(operation_, text.isEmpty() ? linkOperation_ : text);
}
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
