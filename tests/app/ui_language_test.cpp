#include "ui_language_test.h"

#include "app/ui_language.h"

#include <QTest>

Q_DECLARE_METATYPE(UiLanguage)

void UiLanguageTest::detection_data()
{
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<UiLanguage>("expected");

    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale mainland(QLocale::Chinese, QLocale::China);
    const QLocale taiwan(QLocale::Chinese, QLocale::Taiwan);
    const QLocale singapore(QLocale::Chinese, QLocale::Singapore);
    using L = UiLanguage;

    // The variable wins when it names a language, whatever the system says.
    QTest::newRow("trimmed and lowered") << QStringLiteral(" ZH-TW ") << german << L::TraditionalChinese;
    QTest::newRow("zh_hk") << QStringLiteral("zh_hk") << mainland << L::TraditionalChinese;
    QTest::newRow("traditional") << QStringLiteral("Traditional") << german << L::TraditionalChinese;
    QTest::newRow("zh-cn with tabs") << QStringLiteral("\tzh-CN\n") << taiwan << L::SimplifiedChinese;
    QTest::newRow("simplified") << QStringLiteral("SIMPLIFIED") << german << L::SimplifiedChinese;
    QTest::newRow("en") << QStringLiteral("en") << taiwan << L::English;
    QTest::newRow("EN_us") << QStringLiteral("EN_us") << mainland << L::English;
    QTest::newRow("en-GB") << QStringLiteral("en-GB") << taiwan << L::English;

    // Anything else falls back to the system locale.
    QTest::newRow("english is no code") << QStringLiteral("english") << taiwan << L::TraditionalChinese;
    QTest::newRow("zh alone") << QStringLiteral("zh") << taiwan << L::TraditionalChinese;
    QTest::newRow("zh_sg on taiwan") << QStringLiteral("zh_sg") << taiwan << L::TraditionalChinese;
    QTest::newRow("zh_sg on mainland") << QStringLiteral("zh_sg") << mainland << L::SimplifiedChinese;
    QTest::newRow("encoding suffix") << QStringLiteral("zh_tw.utf-8") << german << L::English;
    QTest::newRow("ent is no prefix") << QStringLiteral("ent") << mainland << L::SimplifiedChinese;
    QTest::newRow("unset, german") << QString() << german << L::English;
    QTest::newRow("white space, mainland") << QStringLiteral("   ") << mainland << L::SimplifiedChinese;
    QTest::newRow("unset, singapore") << QString() << singapore << L::SimplifiedChinese;
    QTest::newRow("unset, hong kong") << QString() << QLocale(QLocale::Chinese, QLocale::HongKong) << L::TraditionalChinese;
    QTest::newRow("unset, macao") << QString() << QLocale(QLocale::Chinese, QLocale::Macao) << L::TraditionalChinese;
    QTest::newRow("traditional script elsewhere")
        << QString() << QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Singapore)
        << L::TraditionalChinese;
    QTest::newRow("simplified script in hong kong")
        << QString() << QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::HongKong)
        << L::TraditionalChinese;
}

void UiLanguageTest::detection()
{
    QFETCH(QString, environment);
    QFETCH(QLocale, locale);
    QFETCH(UiLanguage, expected);
    QCOMPARE(detectUiLanguage(environment, locale), expected);
}

void UiLanguageTest::languageIsFixedForTheProcess()
{
    // The test runner sets VESK_LANG=en.
    QCOMPARE(currentUiLanguage(), UiLanguage::English);
    QCOMPARE(pickText(QStringLiteral("Open"), QStringLiteral("t"), QStringLiteral("s")), QStringLiteral("Open"));

    const QByteArray saved = qgetenv("VESK_LANG");
    qputenv("VESK_LANG", "zh_cn");
    QCOMPARE(detectUiLanguage(), UiLanguage::SimplifiedChinese);
    QCOMPARE(currentUiLanguage(), UiLanguage::English);
    qputenv("VESK_LANG", saved);
}
