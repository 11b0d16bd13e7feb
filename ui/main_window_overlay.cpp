#include "ui/main_window.h"

void MainWindow::collectOverlaySettings(const QSize &, const QPoint &) {}
