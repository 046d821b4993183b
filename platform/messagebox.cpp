#include "platform/messagebox.h"

#include <utility>

#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

// The program's name, not the executable's, above every message.
const QString kTitle = QStringLiteral("ImpactFrame");

MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

SaveChoiceHandler& ChoiceHandler() {
    static SaveChoiceHandler handler;
    return handler;
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& text) {
    if (Handler()) {
        Handler()(text, false);
        return;
    }
    QMessageBox box(parent);
    box.setWindowTitle(kTitle);
    box.setIcon(QMessageBox::NoIcon);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
}

bool AskYesNo(QWidget* parent, const QString& text) {
    if (Handler()) return Handler()(text, true);
    QMessageBox box(parent);
    box.setWindowTitle(kTitle);
    box.setIcon(QMessageBox::Question);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

SaveChoice AskSaveChanges(QWidget* parent, const QString& text) {
    if (ChoiceHandler()) return ChoiceHandler()(text);
    if (Handler()) {
        (void)Handler()(text, true);
        return SaveChoice::Discard;
    }
    QMessageBox box(parent);
    box.setWindowTitle(kTitle);
    box.setIcon(QMessageBox::Question);
    box.setText(text);
    QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
    QPushButton* discard =
        box.addButton(QStringLiteral("保存しない"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) return SaveChoice::Save;
    if (box.clickedButton() == discard) return SaveChoice::Discard;
    return SaveChoice::Cancel;
}

void SetMessageHandler(MessageHandler handler) {
    Handler() = std::move(handler);
}

void SetSaveChoiceHandler(SaveChoiceHandler handler) {
    ChoiceHandler() = std::move(handler);
}

}  // namespace platform
