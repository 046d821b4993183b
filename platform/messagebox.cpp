#include "platform/messagebox.h"

#include <utility>

#include <QMessageBox>

namespace platform {

namespace {

MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
    if (Handler()) {
        Handler()(text, false);
        return;
    }
    QMessageBox box(parent);
    box.setIcon(QMessageBox::NoIcon);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text) {
    if (Handler()) return Handler()(text, true);
    QMessageBox box(parent);
    box.setIcon(QMessageBox::Question);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void SetMessageHandler(MessageHandler handler) {
    Handler() = std::move(handler);
}

}  // namespace platform
