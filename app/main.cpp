#include "app/crash_handler.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    installCrashHandler();
    QCoreApplication::setApplicationName(QStringLiteral("VESK Qt"));
    QCoreApplication::setOrganizationName(QStringLiteral("korvany"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/vesk.ico")));

    MainWindow window;
    window.resize(1280, 760);
    window.show();
    return app.exec();
}
