#include "window_icon_test.h"

#include <QIcon>
#include <QImageReader>
#include <QTest>

void WindowIconTest::compiledInIconDecodes()
{
    // A broken file or a missing icon reader would only show as a blank window icon.
    QImageReader reader(QStringLiteral(":/icons/vesk.ico"));
    const QImage image = reader.read();
    QVERIFY2(!image.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), QSize(256, 256));
    QVERIFY(image.hasAlphaChannel());

    const QIcon icon(QStringLiteral(":/icons/vesk.ico"));
    QVERIFY(icon.availableSizes().contains(QSize(256, 256)));
}
