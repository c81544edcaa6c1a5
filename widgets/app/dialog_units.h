#pragma once
// Dialog units as the platform that the layout was drawn for computes them from
// the window font: a horizontal unit is a quarter of the average character
// width, a vertical unit an eighth of the font height. That platform takes the
// average over the 52 Latin letters, not the font's own average, which for
// today's fonts is noticeably narrower and would cramp the drop-down lists.

#include <QFont>
#include <QFontMetricsF>
#include <QRect>
#include <cmath>

struct DialogUnits {
    double x = 1.0;
    double y = 1.0;

    static DialogUnits of(const QFont& font) {
        const QFontMetricsF metrics(font);
        return {averageCharWidth(font) / 4.0, metrics.height() / 8.0};
    }
    static double averageCharWidth(const QFont& font) {
        const QFontMetricsF metrics(font);
        return metrics.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")) / 52.0;
    }
    int toX(double units) const { return static_cast<int>(std::lround(units * x)); }
    int toY(double units) const { return static_cast<int>(std::lround(units * y)); }
    QRect rect(double left, double top, double width, double height) const {
        return QRect(toX(left), toY(top), toX(width), toY(height));
    }
};
