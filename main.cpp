#include "app/crash_handler.h"
#include "app/diagnostic_log.h"
#include "app/file_locations.h"
#include "app/quit_signals.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // After the application object, which knows the executable's directory.
    installCrashHandler();
    QCoreApplication::setApplicationName(QStringLiteral("VESK Qt"));
    QCoreApplication::setOrganizationName(QStringLiteral("korvany"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vesk.ico")));
    // Once per run, so a log sent in shows where the settings and snapshots were kept.
    DiagnosticLog(describeFileLocations(fileLocations()));

    MainWindow window;
    // With its native window made, the system can tell the frame it adds around the window.
    window.winId();
    window.resizeWithin(QSize(1280, 760), window.screen()->availableGeometry());
    window.show();

    quitOnTerminationRequest();
    const int result = app.exec();
    // The window goes before the application object, so capture stops while Qt is still alive.
    return result;
}
