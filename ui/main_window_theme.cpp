#include "ui/main_window.h"

void MainWindow::applyTheme(bool) {}
void MainWindow::setNightMode(bool) {}
