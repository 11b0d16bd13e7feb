#include "ui/main_window.h"

#include "view/image_view.h"
#include "view/theme.h"

#include <QApplication>

void MainWindow::applyTheme(bool night)
{
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        app->setStyleSheet(buildStyleSheet(night));
}

void MainWindow::setNightMode(bool enabled)
{
    applyTheme(enabled);
    // Both custom-painted widgets read the property, so they switch together with the sheet.
    if (QWidget *root = centralWidget()) {
        root->setProperty("nightMode", enabled);
        root->update();
    }
    if (imageView) {
        imageView->setProperty("nightMode", enabled);
        imageView->update();
    }
}
