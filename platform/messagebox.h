#pragma once
// Message boxes, titled "ImpactFrame": one OK button, a Yes/No question, or the question
// whether to save changes. Tests replace the dialogs by a handler so that nothing waits
// for a person.
#include <functional>

#include <QString>

class QWidget;

namespace platform {

// Shows text with an OK button (no title of its own) and waits.
void ShowMessage(QWidget* parent, const QString& text);
// Asks text with Yes and No buttons; true for Yes.
[[nodiscard]] bool AskYesNo(QWidget* parent, const QString& text);

// The answers to "変更を保存しますか？": 保存, 保存しない, キャンセル.
enum class SaveChoice { Save, Discard, Cancel };
// Asks text with the buttons 保存, 保存しない and キャンセル (Escape: キャンセル).
[[nodiscard]] SaveChoice AskSaveChanges(QWidget* parent, const QString& text);

// For tests: while set, ShowMessage and AskYesNo call the handler instead of showing
// a dialog; its result answers AskYesNo. Pass nullptr to restore the dialogs.
using MessageHandler = std::function<bool(const QString& text, bool question)>;
void SetMessageHandler(MessageHandler handler);
// For tests: while set, AskSaveChanges calls it. While it is not set but a message
// handler is, AskSaveChanges tells the message handler (as a question) and answers
// 保存しない.
using SaveChoiceHandler = std::function<SaveChoice(const QString& text)>;
void SetSaveChoiceHandler(SaveChoiceHandler handler);

}  // namespace platform
