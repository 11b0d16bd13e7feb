#pragma once

#include <QColor>
#include <QString>

#include <functional>

class QPushButton;
class QWidget;

// The modal colour dialog; a cancelled dialog gives back the initial colour.
QColor chooseColor(QWidget *parent, const QColor &initial);

// Fills the button with the colour and names it in hexadecimal, with text that stays readable.
// An invalid colour leaves the button as it was.
void styleColorButton(QPushButton *button, const QColor &color);

// Replaces the modal dialog, e.g. in tests; the handler returns what the dialog would
// (an invalid colour for Cancel). An empty handler restores the real dialog.
using ColorDialogHandler =
    std::function<QColor(QWidget *parent, const QColor &initial, const QString &title)>;
void setColorDialogHandler(ColorDialogHandler handler);
