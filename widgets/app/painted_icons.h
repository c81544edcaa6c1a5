#pragma once
// The program's pictures, drawn as vectors so they stay sharp at any scale.

#include <QColor>
#include <QIcon>

class QPainter;
class QRectF;

// The tree's image pair: image 0 when the node is not selected, image 1 when
// it is (served as the icon's Normal and Selected modes).
QIcon treeNodeIcon();
// Image 0 of the parameter list.
QIcon listRowIcon();
// The program icon (window, About box, desktop file).
QIcon programIcon();

// A state lamp filling `box`.
void paintLamp(QPainter& painter, const QRectF& box, bool green);
