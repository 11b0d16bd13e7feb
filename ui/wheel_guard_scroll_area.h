#pragma once

#include <QScrollArea>

// Holds the control panel; the wheel never scrolls it, so a turn over the panel changes nothing.
class WheelGuardScrollArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;
    ~WheelGuardScrollArea() override;

protected:
    void wheelEvent(QWheelEvent *event) override;
};
