#pragma once

#include <QObject>

class WindowIconTest : public QObject {
    Q_OBJECT

private slots:
    void compiledInIconDecodes();
};
