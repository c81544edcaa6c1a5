#pragma once
// A state lamp: a red or green picture. Screen readers get the colour as the
// picture's description.

#include <QWidget>

class Lamp : public QWidget {
    Q_OBJECT
public:
    explicit Lamp(QWidget* parent = nullptr);

    void setGreen(bool green);
    bool isGreen() const { return green_; }

    QSize sizeHint() const override { return {16, 16}; }

    // Lets assistive technology see lamps as pictures rather than panes.
    static void registerAccessibility();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool green_ = false;
};
