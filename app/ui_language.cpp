#include "app/ui_language.h"

#include <QtGlobal>

UiLanguage detectUiLanguage(const QString &environmentValue, const QLocale &systemLocale)
{
    const QString value = environmentValue.trimmed().toLower();
    if (value == QLatin1String("zh_tw") || value == QLatin1String("zh-tw") || value == QLatin1String("zh_hk")
        || value == QLatin1String("zh-hk") || value == QLatin1String("traditional"))
        return UiLanguage::TraditionalChinese;
    if (value == QLatin1String("zh_cn") || value == QLatin1String("zh-cn") || value == QLatin1String("simplified"))
        return UiLanguage::SimplifiedChinese;
    if (value == QLatin1String("en") || value.startsWith(QLatin1String("en_")) || value.startsWith(QLatin1String("en-")))
        return UiLanguage::English;

    if (systemLocale.language() != QLocale::Chinese)
        return UiLanguage::English;
    if (systemLocale.script() == QLocale::TraditionalHanScript)
        return UiLanguage::TraditionalChinese;
    const QLocale::Territory territory = systemLocale.territory();
    if (territory == QLocale::Taiwan || territory == QLocale::HongKong || territory == QLocale::Macao)
        return UiLanguage::TraditionalChinese;
    return UiLanguage::SimplifiedChinese;
}

UiLanguage detectUiLanguage()
{
    return detectUiLanguage(qEnvironmentVariable("VESK_LANG"), QLocale::system());
}

UiLanguage currentUiLanguage()
{
    // Fixed for the life of the process: texts built earlier must never disagree with later ones.
    static const UiLanguage language = detectUiLanguage();
    return language;
}
