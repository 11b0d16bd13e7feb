#include "ui/main_window.h"

void MainWindow::saveParameters() {}
void MainWindow::saveFocusCenter() {}
void MainWindow::loadParameters() {}
