#pragma once

#include <QWidget>

// The window's central root; paints the day fill or the night gradient.
class StarBackgroundWidget : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *event) override;
};
