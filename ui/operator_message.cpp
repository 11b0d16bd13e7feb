#include "ui/operator_message.h"

#include <QMessageBox>

namespace {

OperatorMessageHandler &messageHandler()
{
    static OperatorMessageHandler handler;
    return handler;
}

} // namespace

void setOperatorMessageHandler(OperatorMessageHandler handler)
{
    messageHandler() = std::move(handler);
}

void showOperatorMessage(QWidget *parent, MessageKind kind, const QString &title, const QString &text)
{
    if (messageHandler()) {
        messageHandler()(parent, kind, title, text);
        return;
    }
    switch (kind) {
    case MessageKind::Information:
        QMessageBox::information(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
        break;
    case MessageKind::Warning:
        QMessageBox::warning(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
        break;
    case MessageKind::Critical:
        QMessageBox::critical(parent, title, text, QMessageBox::Ok, QMessageBox::NoButton);
        break;
    }
}
