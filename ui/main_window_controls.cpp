#include "ui/main_window.h"

bool MainWindow::setCameraProperty(int, double, const QString &) { return false; }
void MainWindow::setAutoFocus(bool) {}
void MainWindow::setAutoExposure(bool) {}
void MainWindow::setZoom(double) {}
void MainWindow::applyCameraControls() {}
void MainWindow::openDriverSettings() {}
