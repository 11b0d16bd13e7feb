#include "view/star_background_widget.h"

void StarBackgroundWidget::paintEvent(QPaintEvent *)
{
}
