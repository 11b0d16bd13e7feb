#include "view_test_support.h"

#include <QApplication>
#include <QTest>

#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    int failures = 0;
    for (auto create : {createViewGeometryTest, createImageViewTest, createOverlayThemeTest}) {
        std::unique_ptr<QObject> test(create());
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures;
}
