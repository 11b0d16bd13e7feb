#include "tests/support/message_recorder.h"

MessageRecorder::MessageRecorder()
{
    setOperatorMessageHandler([this](QWidget *, MessageKind kind, const QString &title, const QString &text) {
        messages.append({kind, title, text});
        if (whileShown)
            whileShown();
    });
}

MessageRecorder::~MessageRecorder()
{
    setOperatorMessageHandler({});
}
