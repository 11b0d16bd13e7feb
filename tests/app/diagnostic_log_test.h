#pragma once

#include <QObject>

class DiagnosticLogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void concurrentWritersKeepLinesWholeAndOrdered();
    void writesMessagesVerbatim();
    void deletedLogIsRecreated();
    void unwritableLogDropsLines();
};
