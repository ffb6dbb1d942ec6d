#include "gui/AboutWindow.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "app/WindowServices.h"
#include "gui/AppIcon.h"

AboutWindow::AboutWindow(const QString& versionLine, QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Kestrelport");
    const DialogUnits units(QApplication::font());
    setFixedSize(units.ToPixels(kWidthDlu, kHeightDlu));

    auto* icon = new QLabel(this);
    const QRect iconRect = units.ToPixels(kIconPosition);
    icon->setGeometry(iconRect);
    icon->setPixmap(AppIcon().pixmap(std::min(iconRect.width(), iconRect.height())));

    auto* version = new QLabel(versionLine, this);
    version->setObjectName(QStringLiteral("control%1").arg(ControlId::AboutVersion));
    version->setGeometry(units.ToPixels(kVersionPosition));

    auto* notice = new QLabel(kNotice, this);
    notice->setGeometry(units.ToPixels(kNoticePosition));

    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    ok->setGeometry(units.ToPixels(kOkPosition));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
