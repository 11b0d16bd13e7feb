#include "ui/main_window.h"

#include <QGroupBox>
#include <QScrollArea>

QWidget *MainWindow::buildControlPanel() { return new QScrollArea(this); }
QGroupBox *MainWindow::buildCameraGroup(QWidget *parent) { return new QGroupBox(parent); }
QGroupBox *MainWindow::buildReticleGroup(QWidget *parent) { return new QGroupBox(parent); }
QGroupBox *MainWindow::buildParametersGroup(QWidget *parent) { return new QGroupBox(parent); }
QGroupBox *MainWindow::buildCameraParametersGroup() { return new QGroupBox(this); }
QGroupBox *MainWindow::buildCenterGroup() { return new QGroupBox(this); }
QGroupBox *MainWindow::buildCircleGroup(int) { return new QGroupBox(this); }
