#pragma once
// Timing shared by the benchmarks: medians of wall-clock runs, and a dialog
// built, laid out and painted once as a user first sees it.

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLayout>
#include <QPixmap>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace norvik::bench {

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

inline double timeMs(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

// Builds a dialog, lays it out and paints it once into a pixmap; the dialog is
// destroyed outside the timed part.
template <typename Make>
double openAndPaint(Make make) {
    std::unique_ptr<QDialog> dialog;
    const double ms = timeMs([&] {
        dialog = make();
        dialog->layout()->activate();
        QPixmap pixmap(dialog->size());
        dialog->render(&pixmap);
    });
    dialog.reset();
    QCoreApplication::processEvents();
    return ms;
}

// The median of `runs` opens after one warm-up (fonts, styles and the first
// allocation of everything).
template <typename Make>
double medianOpen(Make make, int runs) {
    std::vector<double> times;
    openAndPaint(make);
    for (int i = 0; i < runs; ++i) times.push_back(openAndPaint(make));
    return median(times);
}

}  // namespace norvik::bench
