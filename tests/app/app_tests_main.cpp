#include "diagnostic_log_test.h"
#include "ui_language_test.h"
#include "window_icon_test.h"

#include <QGuiApplication>
#include <QTest>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    int failures = 0;
    {
        DiagnosticLogTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        UiLanguageTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        WindowIconTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
