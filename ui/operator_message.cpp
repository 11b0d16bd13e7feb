#include "ui/operator_message.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>

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

void queueOperatorMessage(QWidget *parent, MessageKind kind, const QString &title, const QString &text)
{
    // The parent is the call's context: gone with it, the call is never made.
    QObject *context = parent ? static_cast<QObject *>(parent) : QCoreApplication::instance();
    QMetaObject::invokeMethod(
        context, [parent, kind, title, text] { showOperatorMessage(parent, kind, title, text); },
        Qt::QueuedConnection);
}
