#include "view/star_background_widget.h"

#include <QLinearGradient>
#include <QPainter>

void StarBackgroundWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area = rect();
    if (!property("nightMode").toBool()) {
        painter.fillRect(area, QColor(250, 250, 250));
        return;
    }
    QLinearGradient gradient(QPointF(area.topLeft()), QPointF(area.bottomRight()));
    gradient.setColorAt(0.0, QColor(18, 5, 9));
    gradient.setColorAt(0.48, QColor(38, 9, 17));
    gradient.setColorAt(1.0, QColor(15, 4, 8));
    painter.fillRect(area, gradient);
}
