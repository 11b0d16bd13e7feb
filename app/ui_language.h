#pragma once

#include <QLocale>
#include <QString>

enum class UiLanguage {
    SimplifiedChinese = 0,
    TraditionalChinese = 1,
    English = 2,
};

// Detection from an explicit VESK_LANG value and system locale, so both tables can be tested.
UiLanguage detectUiLanguage(const QString &environmentValue, const QLocale &systemLocale);
UiLanguage detectUiLanguage();
UiLanguage currentUiLanguage();

inline QString pickText(const QString &english, const QString &traditional, const QString &simplified)
{
    switch (currentUiLanguage()) {
    case UiLanguage::SimplifiedChinese:
        return simplified;
    case UiLanguage::TraditionalChinese:
        return traditional;
    default:
        return english;
    }
}
