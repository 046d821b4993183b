#pragma once
// Message boxes: one OK button, or a Yes/No question. Tests replace the dialogs by
// a handler so that nothing waits for a person.
#include <functional>

#include <QString>

class QWidget;

namespace platform {

// Shows text with an OK button (no title of its own) and waits.
void ShowMessage(QWidget* parent, const QString& text);
// Asks text with Yes and No buttons; true for Yes.
[[nodiscard]] bool AskYesNo(QWidget* parent, const QString& text);

// For tests: while set, ShowMessage and AskYesNo call the handler instead of showing
// a dialog; its result answers AskYesNo. Pass nullptr to restore the dialogs.
using MessageHandler = std::function<bool(const QString& text, bool question)>;
void SetMessageHandler(MessageHandler handler);

}  // namespace platform
