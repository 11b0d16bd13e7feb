#include "diagnostic_log_test.h"
#include "ui_language_test.h"

#include <QCoreApplication>
#include <QTest>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int failures = 0;
    {
        DiagnosticLogTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    {
        UiLanguageTest test;
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
