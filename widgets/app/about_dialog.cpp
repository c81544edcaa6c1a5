#include "app/about_dialog.h"

#include <QLabel>
#include <QPushButton>

#include "app/dialog_units.h"
#include "app/painted_icons.h"
#include "app/window_texts.h"
#include "norvik_version.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QLatin1String(norvik::window::kAboutCaption));
    const DialogUnits du = DialogUnits::of(font());

    auto* icon = new QLabel(this);
    const int side = std::max(32, du.toY(20));
    icon->setPixmap(programIcon().pixmap(QSize(side, side), devicePixelRatioF()));
    icon->setAccessibleName(QStringLiteral("Norvik"));
    icon->setGeometry(du.toX(11), du.toY(17), side, side);

    auto* version = new QLabel(QLatin1String(norvik::window::kAboutVersionPrefix) + QStringLiteral(NORVIK_VERSION), this);
    version->adjustSize();
    version->move(du.toX(40), du.toY(10));

    auto* ok = new QPushButton(QLatin1String(norvik::window::kOk), this);
    ok->setDefault(true);
    ok->setGeometry(du.rect(178, 7, 50, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(du.toX(235), du.toY(55));
}
