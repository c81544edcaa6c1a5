#include "app/painted_icons.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRadialGradient>
#include <functional>
#include <utility>

namespace {

using PaintFn = std::function<void(QPainter&, const QRectF&, QIcon::Mode)>;

// Draws at whatever size and pixel ratio the view asks for instead of scaling
// a fixed bitmap.
class PaintedIconEngine : public QIconEngine {
public:
    explicit PaintedIconEngine(PaintFn paint) : paint_(std::move(paint)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        paint_(*painter, QRectF(rect), mode);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine* clone() const override { return new PaintedIconEngine(paint_); }

private:
    PaintFn paint_;
};

QRectF square(const QRectF& r) {
    const qreal side = std::min(r.width(), r.height());
    return QRectF(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
}

// A module card with two terminals; the selected image is lit amber.
void paintTreeNode(QPainter& p, const QRectF& area, QIcon::Mode mode) {
    const QRectF r = square(area);
    const qreal u = r.width() / 16.0;
    const bool selected = mode == QIcon::Selected;
    const QColor body = selected ? QColor(0xF2, 0xB1, 0x34) : QColor(0x6F, 0x8F, 0xB8);
    const QColor edge = selected ? QColor(0x8A, 0x5A, 0x00) : QColor(0x2E, 0x46, 0x66);
    p.setPen(QPen(edge, std::max<qreal>(1.0, u)));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(r.left() + 2 * u, r.top() + 3 * u, 12 * u, 10 * u), 1.5 * u, 1.5 * u);
    p.setPen(Qt::NoPen);
    p.setBrush(edge);
    for (int i = 0; i < 3; ++i) p.drawRect(QRectF(r.left() + (4 + 3 * i) * u, r.top() + 13 * u, 2 * u, 2 * u));
    p.setBrush(selected ? QColor(Qt::white) : QColor(0xD8, 0xE4, 0xF2));
    p.drawRect(QRectF(r.left() + 4 * u, r.top() + 5 * u, 8 * u, 3 * u));
}

// A small tag beside each item of the parameter list.
void paintListRow(QPainter& p, const QRectF& area, QIcon::Mode) {
    const QRectF r = square(area);
    const qreal u = r.width() / 16.0;
    QPainterPath tag;
    tag.moveTo(r.left() + 2 * u, r.top() + 4 * u);
    tag.lineTo(r.left() + 10 * u, r.top() + 4 * u);
    tag.lineTo(r.left() + 14 * u, r.top() + 8 * u);
    tag.lineTo(r.left() + 10 * u, r.top() + 12 * u);
    tag.lineTo(r.left() + 2 * u, r.top() + 12 * u);
    tag.closeSubpath();
    p.setPen(QPen(QColor(0x3C, 0x6E, 0x47), std::max<qreal>(1.0, u)));
    p.setBrush(QColor(0x9C, 0xD0, 0x8F));
    p.drawPath(tag);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(r.left() + 5 * u, r.top() + 8 * u), 1.2 * u, 1.2 * u);
}

// A gateway between two buses: the PROFIBUS side and the Modbus side.
void paintProgram(QPainter& p, const QRectF& area, QIcon::Mode) {
    const QRectF r = square(area);
    const qreal u = r.width() / 64.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2E, 0x46, 0x66));
    p.drawRoundedRect(QRectF(r.left() + 16 * u, r.top() + 8 * u, 32 * u, 48 * u), 5 * u, 5 * u);
    p.setBrush(QColor(0x6F, 0x8F, 0xB8));
    p.drawRoundedRect(QRectF(r.left() + 20 * u, r.top() + 12 * u, 24 * u, 14 * u), 2 * u, 2 * u);
    p.setBrush(QColor(0x6C, 0x3A, 0x9E));  // PROFIBUS side
    p.drawRect(QRectF(r.left() + 2 * u, r.top() + 30 * u, 14 * u, 6 * u));
    p.setBrush(QColor(0xE0, 0x8A, 0x1E));  // Modbus side
    p.drawRect(QRectF(r.left() + 48 * u, r.top() + 30 * u, 14 * u, 6 * u));
    p.setBrush(QColor(0x2F, 0xB3, 0x4A));
    p.drawEllipse(QPointF(r.left() + 26 * u, r.top() + 46 * u), 3 * u, 3 * u);
    p.setBrush(QColor(0xD9, 0x34, 0x2B));
    p.drawEllipse(QPointF(r.left() + 38 * u, r.top() + 46 * u), 3 * u, 3 * u);
}

}  // namespace

QIcon treeNodeIcon() { return QIcon(new PaintedIconEngine(paintTreeNode)); }
QIcon listRowIcon() { return QIcon(new PaintedIconEngine(paintListRow)); }
QIcon programIcon() { return QIcon(new PaintedIconEngine(paintProgram)); }

void paintLamp(QPainter& p, const QRectF& area, bool green) {
    const QRectF r = square(area).adjusted(1, 1, -1, -1);
    const QColor lit = green ? QColor(0x2F, 0xC0, 0x4A) : QColor(0xE0, 0x2A, 0x20);
    const QColor dark = green ? QColor(0x0E, 0x5E, 0x1E) : QColor(0x70, 0x0C, 0x08);
    QRadialGradient glow(r.center() - QPointF(r.width() / 6, r.height() / 6), r.width() / 1.6);
    glow.setColorAt(0.0, lit.lighter(160));
    glow.setColorAt(0.5, lit);
    glow.setColorAt(1.0, dark);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(dark, 1.0));
    p.setBrush(glow);
    p.drawEllipse(r);
    p.restore();
}
