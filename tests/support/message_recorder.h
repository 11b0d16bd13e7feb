#pragma once

#include "ui/operator_message.h"

#include <QList>

#include <functional>

// Records operator messages instead of showing modal boxes, for as long as it lives.
class MessageRecorder {
public:
    struct Message {
        MessageKind kind;
        QString title;
        QString text;
    };

    MessageRecorder()
    {
        setOperatorMessageHandler([this](QWidget *, MessageKind kind, const QString &title, const QString &text) {
            messages.append({kind, title, text});
            if (whileShown)
                whileShown();
        });
    }
    ~MessageRecorder() { setOperatorMessageHandler({}); }
    Q_DISABLE_COPY(MessageRecorder)   // the handler holds on to this very object

    QList<Message> messages;
    // Runs after recording, while a real box would be on screen: the operator acting meanwhile.
    std::function<void()> whileShown;
};
