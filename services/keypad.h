#pragma once
// Keypad: a modal keypad for editing the text of one text box with the mouse. It
// edits a copy of the box's text in its own edit line with a numeric pad and,
// behind a check box, a full keyboard; the box shows a red background while the
// keypad is open. ESC and the close box cancel, Enter (or Return in a single-line
// edit line) accepts.
//
// Keys act on the edit line in the program's text convention, where a line end is
// the two characters carriage return, line feed; a multi-line edit line shows each
// line end as one line break.
#include <array>

#include <QDialog>
#include <QPalette>
#include <QPointer>
#include <QString>

class QCheckBox;
class QFrame;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace services {

class Keypad : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kKeyCount = 82;

    explicit Keypad(QWidget* parent = nullptr);
    ~Keypad() override;

    // Opens the keypad modally on the box and returns the edited text, or the box's
    // text as it was when the keypad was cancelled. The caller puts the result into
    // the box.
    QString InputText(QLineEdit* box);
    // The same on a multi-line box; the edit line is then multi-line too, "Enter"
    // inserts a line end, Ctrl+Return accepts, and the result uses the box's line
    // breaks ("\n").
    QString InputText(QPlainTextEdit* box);

    // --- the key logic, usable without showing the window ---------------------------
    // Applies one key, by its caption, to the edit line as a click on it would.
    void PressKey(const QString& caption);
    // Puts text into the edit line (single- or multi-line) and selects nothing.
    void SetEditText(const QString& text, bool multiLine);
    // The edit line's text ("\r\n" line ends) and selection in that text.
    [[nodiscard]] QString EditText() const;
    [[nodiscard]] int SelStart() const;
    [[nodiscard]] int SelLength() const;
    void SetSelection(int start, int length);
    [[nodiscard]] bool MultiLine() const { return multiLine_; }
    [[nodiscard]] bool Cancelled() const { return cancelled_; }

    // Key i (0 .. kKeyCount - 1); its caption is its function.
    [[nodiscard]] QPushButton* Key(int index) const;
    [[nodiscard]] QCheckBox* FullKeyboardCheck() const { return fullCheck_; }
    [[nodiscard]] QLineEdit* EditLine() const { return editLine_; }
    [[nodiscard]] QPlainTextEdit* MultiLineEdit() const { return multiLineEdit_; }
    // Window widths with the numeric pad alone and with the full keyboard.
    [[nodiscard]] int PadWidth() const { return padWidth_; }
    [[nodiscard]] int FullWidth() const { return fullWidth_; }

  public slots:
    void reject() override;  // ESC on the keyboard: cancel

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString Open(QWidget* box, const QString& text, bool multiLine);
    void OnKey(int index);
    void Insert(const QString& s);
    void Delete();
    [[nodiscard]] bool Left();
    void Right();
    void ClearLastOperand();
    void Accept();
    void Cancel();
    void ShowFullKeyboard(bool full);
    void Arrange();
    // Moves the window back onto its screen where it reaches past an edge.
    void KeepOnScreen();
    void FocusEditLine();

    std::array<QPushButton*, kKeyCount> keys_{};
    QLineEdit* editLine_ = nullptr;
    QPlainTextEdit* multiLineEdit_ = nullptr;
    QCheckBox* fullCheck_ = nullptr;
    QFrame* padPanel_ = nullptr;
    QFrame* fullPanel_ = nullptr;
    int padWidth_ = 0;
    int fullWidth_ = 0;
    int windowHeight_ = 0;
    bool multiLine_ = false;
    bool cancelled_ = false;
    QPointer<QWidget> target_;
};

}  // namespace services
