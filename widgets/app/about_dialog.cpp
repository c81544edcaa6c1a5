#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/painted_icons.h"
#include "norvik_version.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Norvik"));
    const QFontMetrics metrics(font());

    auto* icon = new QLabel(this);
    const int side = std::max(32, metrics.height() * 5 / 2);
    icon->setPixmap(programIcon().pixmap(QSize(side, side), devicePixelRatioF()));
    icon->setAccessibleName(QStringLiteral("Norvik"));

    auto* version = new QLabel(tr("Norvik Version %1").arg(QStringLiteral(NORVIK_VERSION)), this);
    // The box is wider than its one line, so the button stands well apart.
    version->setMinimumWidth(metrics.averageCharWidth() * 30);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* text = new QVBoxLayout;
    text->addWidget(version);
    text->addStretch(1);
    auto* button = new QVBoxLayout;
    button->addWidget(ok);
    button->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignVCenter);
    layout->addSpacing(metrics.averageCharWidth() * 2);
    layout->addLayout(text, 1);
    layout->addLayout(button);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
