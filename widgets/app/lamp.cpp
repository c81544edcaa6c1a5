#include "app/lamp.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPainter>

#include "app/painted_icons.h"

namespace {

QAccessibleInterface* lampAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("Lamp") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
    return nullptr;
}

}  // namespace

Lamp::Lamp(QWidget* parent) : QWidget(parent) { setAccessibleDescription(tr("red")); }

void Lamp::registerAccessibility() {
    static const bool once = [] {
        QAccessible::installFactory(lampAccessible);
        return true;
    }();
    (void)once;
}

void Lamp::setGreen(bool green) {
    if (green == green_) return;
    green_ = green;
    setAccessibleDescription(green ? tr("green") : tr("red"));
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::DescriptionChanged);
        QAccessible::updateAccessibility(&changed);
    }
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintLamp(painter, QRectF(rect()), green_);
}
