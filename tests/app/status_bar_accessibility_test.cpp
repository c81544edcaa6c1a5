// What a screen reader finds when asked to read the main window's status bar.

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/status_line.h"

namespace {

void collect(QAccessibleInterface* node, QAccessible::Role role, std::vector<QAccessibleInterface*>& found) {
    if (node->role() == role) found.push_back(node);
    for (int i = 0; i < node->childCount(); ++i) {
        if (QAccessibleInterface* child = node->child(i)) collect(child, role, found);
    }
}

TEST(MainWindowAccessibility, statusBarHoldsBothTextsAndTheProgress) {
    // The real services: nothing here opens the port or a box.
    MainWindow window;
    window.show();
    window.setLinkStatus(norvik::LinkStatus::Connected);
    window.setOperation(norvik::Operation::FileNameFinish);
    window.setProgress(4);

    std::vector<QAccessibleInterface*> bars;
    collect(QAccessible::queryAccessibleInterface(&window), QAccessible::StatusBar, bars);
    ASSERT_EQ(bars.size(), 1u);
    QAccessibleInterface* bar = bars[0];
    EXPECT_FALSE(bar->state().invisible);

    struct Part {
        QAccessible::Role role;
        std::string name;
        bool operator==(const Part&) const = default;
    };
    std::vector<Part> parts;
    for (int i = 0; i < bar->childCount(); ++i) {
        QAccessibleInterface* child = bar->child(i);
        ASSERT_NE(child, nullptr);
        parts.push_back({child->role(), child->text(QAccessible::Name).toStdString()});
        EXPECT_EQ(child->parent(), bar);
        EXPECT_FALSE(child->state().invisible) << parts.back().name;
    }
    const std::vector<Part> expected{{QAccessible::StaticText, "Module is connected"},
                                     {QAccessible::StaticText, "Receive file name finish"},
                                     {QAccessible::ProgressBar, "Progress"}};
    EXPECT_EQ(parts, expected);

    // A text longer than its part is read whole, and every part lies inside
    // the bar, which lies inside the window, as a magnifier follows them.
    const QString longText = QStringLiteral(
        "The backup of the HX-3420 was written to "
        "/home/commissioning/north-hall/line-4/HX-3420-2026-12-08.norvik.");
    window.statusLine()->setOperationText(longText);
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(bar->child(1)->text(QAccessible::Name), longText);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(&window)->rect().contains(bar->rect()));
    for (int i = 0; i < bar->childCount(); ++i) EXPECT_TRUE(bar->rect().contains(bar->child(i)->rect())) << i;

    ASSERT_EQ(bar->childCount(), 3);
    QAccessibleValueInterface* progress = bar->child(2)->valueInterface();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->currentValue().toInt(), 4);
    EXPECT_EQ(progress->maximumValue().toInt(), 9);
}

}  // namespace
