#include "ui/color_buttons.h"

#include "app/ui_language.h"

#include <QColorDialog>
#include <QPushButton>

namespace {

ColorDialogHandler &dialogHandler()
{
    static ColorDialogHandler handler;
    return handler;
}

} // namespace

void setColorDialogHandler(ColorDialogHandler handler)
{
    dialogHandler() = std::move(handler);
}

QColor chooseColor(QWidget *parent, const QColor &initial)
{
    const QString title = pickText(QStringLiteral("Select Color"), QStringLiteral("選擇顏色"), QStringLiteral("选择颜色"));
    const QColor chosen = dialogHandler() ? dialogHandler()(parent, initial, title)
                                          : QColorDialog::getColor(initial, parent, title);
    return chosen.isValid() ? chosen : initial;
}

void styleColorButton(QPushButton *button, const QColor &color)
{
    if (!button || !color.isValid())
        return;

    // Weights sum to 32, so 4800 is a brightness of 150 on the 0-255 scale.
    const int weighted = 11 * color.red() + 16 * color.green() + 5 * color.blue();
    const QColor textColor = weighted < 4800 ? QColor(255, 255, 255) : QColor(3, 16, 24);
    const QColor edgeColor = color.lightness() < 128 ? color.lighter(118) : color.darker(108);
    const QString upperName = color.name().toUpper();

    button->setText(pickText(QStringLiteral("Color %1"), QStringLiteral("顏色 %1"), QStringLiteral("颜色 %1")).arg(upperName));
    button->setToolTip(pickText(QStringLiteral("Current color: %1"), QStringLiteral("目前顏色：%1"), QStringLiteral("当前颜色：%1")).arg(upperName));
    button->setStyleSheet(
        QStringLiteral("QPushButton { background-color: %1; color: %2; border: 1px solid %3; "
                       "border-radius: 5px; padding: 3px 8px; min-height: 20px; font-weight: 700; } "
                       "QPushButton:hover { background-color: %4; border-color: #e8f8ff; }")
            .arg(color.name(), textColor.name(), edgeColor.name(), edgeColor.name()));
}
