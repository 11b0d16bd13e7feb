#include "ui/main_window.h"

void MainWindow::refreshDeviceList() {}
void MainWindow::onDeviceSelectionChanged() {}
void MainWindow::applyRangeToControls(const QVariantMap &, const QString &, QSlider *, QSpinBox *, int, int, int) {}
void MainWindow::checkDeviceList() {}
void MainWindow::refreshAfterStreamLoss() {}
