#pragma once

#include <QObject>

class UiLanguageTest : public QObject {
    Q_OBJECT

private slots:
    void detection_data();
    void detection();
    void languageIsFixedForTheProcess();
};
