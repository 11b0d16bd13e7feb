#include "ui/main_window.h"

void MainWindow::openCamera() {}
void MainWindow::closeCamera() {}
void MainWindow::grabFrame() {}
void MainWindow::stopCaptureThread() {}
void MainWindow::captureLoop() {}
