#pragma once

#include <QString>

#include <functional>

class QWidget;

enum class MessageKind {
    Information,
    Warning,
    Critical,
};

// Every message box the operator sees goes through here: a modal box with a single OK button.
void showOperatorMessage(QWidget *parent, MessageKind kind, const QString &title, const QString &text);
// The same box, shown once control is back in the event loop, for code that must not run the
// box's nested event loop under itself (timers, Open and Close would run in its middle). The
// message carries no state of its caller, and is dropped if the parent goes first.
void queueOperatorMessage(QWidget *parent, MessageKind kind, const QString &title, const QString &text);

// Replaces the modal box, e.g. in tests; an empty handler restores the real box.
using OperatorMessageHandler =
    std::function<void(QWidget *parent, MessageKind kind, const QString &title, const QString &text)>;
void setOperatorMessageHandler(OperatorMessageHandler handler);
