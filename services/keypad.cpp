#include "services/keypad.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>

namespace services {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

// One key: caption, column and row in its panel, width in key units.
struct KeySpec {
    const char* caption;
    int column;
    int row;
    int span;
};

// The numeric pad, five keys a row.
const KeySpec kPad[] = {
    {"AC", 0, 0, 1}, {"CL", 1, 0, 1}, {"BS", 2, 0, 1}, {"DEL", 3, 0, 1}, {"ESC", 4, 0, 1},
    {"7", 0, 1, 1},  {"8", 1, 1, 1},  {"9", 2, 1, 1},  {"/", 3, 1, 1},   {"^", 4, 1, 1},
    {"4", 0, 2, 1},  {"5", 1, 2, 1},  {"6", 2, 2, 1},  {"*", 3, 2, 1},   {"E", 4, 2, 1},
    {"1", 0, 3, 1},  {"2", 1, 3, 1},  {"3", 2, 3, 1},  {"-", 3, 3, 1},   {"←", 4, 3, 1},
    {"0", 0, 4, 1},  {".", 1, 4, 1},  {"+", 2, 4, 1},  {"→", 3, 4, 1},   {"Enter", 4, 4, 1},
};
constexpr int kPadColumns = 5;
constexpr int kPadKeys = sizeof(kPad) / sizeof(kPad[0]);

// The full keyboard: digits, letters in keyboard rows, operators and editing keys,
// twelve key units a row.
const KeySpec kFull[] = {
    {"1", 0, 0, 1},   {"2", 1, 0, 1},      {"3", 2, 0, 1},   {"4", 3, 0, 1},     {"5", 4, 0, 1},
    {"6", 5, 0, 1},   {"7", 6, 0, 1},      {"8", 7, 0, 1},   {"9", 8, 0, 1},     {"0", 9, 0, 1},
    {"(", 10, 0, 1},  {")", 11, 0, 1},     {"Q", 0, 1, 1},   {"W", 1, 1, 1},     {"E", 2, 1, 1},
    {"R", 3, 1, 1},   {"T", 4, 1, 1},      {"Y", 5, 1, 1},   {"U", 6, 1, 1},     {"I", 7, 1, 1},
    {"O", 8, 1, 1},   {"P", 9, 1, 1},      {"<", 10, 1, 1},  {">", 11, 1, 1},    {"A", 0, 2, 1},
    {"S", 1, 2, 1},   {"D", 2, 2, 1},      {"F", 3, 2, 1},   {"G", 4, 2, 1},     {"H", 5, 2, 1},
    {"J", 6, 2, 1},   {"K", 7, 2, 1},      {"L", 8, 2, 1},   {"=", 9, 2, 1},     {",", 10, 2, 1},
    {".", 11, 2, 1},  {"Z", 0, 3, 1},      {"X", 1, 3, 1},   {"C", 2, 3, 1},     {"V", 3, 3, 1},
    {"B", 4, 3, 1},   {"N", 5, 3, 1},      {"M", 6, 3, 1},   {"+", 7, 3, 1},     {"-", 8, 3, 1},
    {"*", 9, 3, 1},   {"/", 10, 3, 1},     {"^", 11, 3, 1},  {"Space", 0, 4, 3}, {"AC", 3, 4, 1},
    {"CL", 4, 4, 1},  {"BS", 5, 4, 1},     {"DEL", 6, 4, 1}, {"←", 7, 4, 1},     {"→", 8, 4, 1},
    {"ESC", 9, 4, 1}, {"Enter", 10, 4, 2},
};
constexpr int kFullColumns = 12;
constexpr int kFullKeys = sizeof(kFull) / sizeof(kFull[0]);
constexpr int kRows = 5;
static_assert(kPadKeys + kFullKeys == Keypad::kKeyCount, "one control array of all keys");

constexpr int kMargin = 8;
constexpr int kGap = 3;

bool IsOperator(QChar c) {
    return c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('*') ||
           c == QLatin1Char('/') || c == QLatin1Char('^');
}

bool LineEndAt(const QString& text, int i) {
    return i >= 0 && i + 1 < text.size() && text[i] == QLatin1Char('\r') &&
           text[i + 1] == QLatin1Char('\n');
}

// Positions between the program's text ("\r\n" line ends) and a multi-line edit's
// text ("\n" line breaks).
int ToWidget(const QString& text, int pos) {
    int w = 0;
    for (int i = 0; i < pos && i < text.size(); ++i)
        if (!LineEndAt(text, i)) ++w;
    return w;
}

int FromWidget(const QString& widgetText, int pos) {
    int extra = 0;
    for (int i = 0; i < pos && i < widgetText.size(); ++i)
        if (widgetText[i] == QLatin1Char('\n')) ++extra;
    return pos + extra;
}

QString WithLineEnds(QString widgetText) {
    return widgetText.replace(QLatin1Char('\n'), kLineEnd);
}

QString WithNewlines(QString text) {
    text.replace(kLineEnd, QStringLiteral("\n"));
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

}  // namespace

Keypad::Keypad(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("KeyBoard"));
    setModal(true);

    editLine_ = new QLineEdit(this);
    multiLineEdit_ = new QPlainTextEdit(this);
    multiLineEdit_->hide();
    fullCheck_ = new QCheckBox(QStringLiteral("Full KeyBoard"), this);
    fullCheck_->setFocusPolicy(Qt::NoFocus);
    padPanel_ = new QFrame(this);
    fullPanel_ = new QFrame(this);
    padPanel_->setFrameShape(QFrame::NoFrame);
    fullPanel_->setFrameShape(QFrame::NoFrame);

    for (int i = 0; i < kKeyCount; ++i) {
        const bool onPad = i < kPadKeys;
        const KeySpec& layout = onPad ? kPad[i] : kFull[i - kPadKeys];
        auto* key =
            new QPushButton(QString::fromUtf8(layout.caption), onPad ? padPanel_ : fullPanel_);
        key->setFocusPolicy(Qt::NoFocus);
        key->setAutoDefault(false);
        key->setDefault(false);
        connect(key, &QPushButton::clicked, this, [this, i] { OnKey(i); });
        keys_[i] = key;
    }

    connect(editLine_, &QLineEdit::returnPressed, this, [this] { Accept(); });
    multiLineEdit_->installEventFilter(this);
    connect(fullCheck_, &QCheckBox::toggled, this, [this](bool on) { ShowFullKeyboard(on); });
    Arrange();
    ShowFullKeyboard(false);
}

Keypad::~Keypad() = default;

QPushButton* Keypad::Key(int index) const {
    return index >= 0 && index < kKeyCount ? keys_[index] : nullptr;
}

// --- opening ---------------------------------------------------------------------

QString Keypad::InputText(QLineEdit* box) {
    if (box == nullptr) return {};
    box->setCursorPosition(static_cast<int>(box->text().size()));
    return Open(box, box->text(), false);
}

QString Keypad::InputText(QPlainTextEdit* box) {
    if (box == nullptr) return {};
    box->moveCursor(QTextCursor::End);
    return Open(box, box->toPlainText(), true);
}

QString Keypad::Open(QWidget* box, const QString& text, bool multiLine) {
    target_ = box;
    cancelled_ = false;
    const QPalette savedPalette = box->palette();
    const bool ownPalette = box->testAttribute(Qt::WA_SetPalette);
    QPalette red = savedPalette;
    red.setColor(QPalette::Base, QColor(255, 0, 0));
    box->setPalette(red);

    SetEditText(multiLine ? WithLineEnds(text) : text, multiLine);
    SetSelection(0, static_cast<int>(EditText().size()));
    exec();

    QString result = text;
    if (!cancelled_) result = multiLine ? WithNewlines(EditText()) : EditText();
    if (!target_.isNull()) box->setPalette(ownPalette ? savedPalette : QPalette());
    target_ = nullptr;
    return result;
}

// --- the edit line ----------------------------------------------------------------

void Keypad::SetEditText(const QString& text, bool multiLine) {
    if (multiLine != multiLine_) {
        multiLine_ = multiLine;
        editLine_->setVisible(!multiLine);
        multiLineEdit_->setVisible(multiLine);
        Arrange();
        ShowFullKeyboard(fullCheck_->isChecked());
    }
    if (multiLine_)
        multiLineEdit_->setPlainText(WithNewlines(text));
    else
        editLine_->setText(text);
    SetSelection(static_cast<int>(EditText().size()), 0);
}

QString Keypad::EditText() const {
    return multiLine_ ? WithLineEnds(multiLineEdit_->toPlainText()) : editLine_->text();
}

int Keypad::SelStart() const {
    if (!multiLine_)
        return editLine_->hasSelectedText() ? editLine_->selectionStart()
                                            : editLine_->cursorPosition();
    return FromWidget(multiLineEdit_->toPlainText(), multiLineEdit_->textCursor().selectionStart());
}

int Keypad::SelLength() const {
    if (!multiLine_) return editLine_->hasSelectedText() ? editLine_->selectionLength() : 0;
    const QString w = multiLineEdit_->toPlainText();
    const QTextCursor c = multiLineEdit_->textCursor();
    return FromWidget(w, c.selectionEnd()) - FromWidget(w, c.selectionStart());
}

void Keypad::SetSelection(int start, int length) {
    const QString text = EditText();
    const int size = static_cast<int>(text.size());
    start = std::clamp(start, 0, size);
    length = std::clamp(length, 0, size - start);
    if (!multiLine_) {
        if (length > 0)
            editLine_->setSelection(start, length);
        else
            editLine_->setCursorPosition(start);
        return;
    }
    QTextCursor c = multiLineEdit_->textCursor();
    c.setPosition(ToWidget(text, start));
    c.setPosition(ToWidget(text, start + length), QTextCursor::KeepAnchor);
    multiLineEdit_->setTextCursor(c);
}

// --- keys --------------------------------------------------------------------------

void Keypad::OnKey(int index) {
    PressKey(keys_[index]->text());
    if (!isVisible()) return;
    QApplication::processEvents();
    FocusEditLine();
    raise();
    activateWindow();
}

void Keypad::PressKey(const QString& caption) {
    if (caption == QLatin1String("AC")) {
        SetEditText(QString(), multiLine_);
    } else if (caption == QLatin1String("CL")) {
        ClearLastOperand();
    } else if (caption == QLatin1String("Enter")) {
        if (multiLine_)
            Insert(kLineEnd);
        else
            Accept();
    } else if (caption == QLatin1String("ESC")) {
        Cancel();
    } else if (caption == QLatin1String("BS")) {
        if (Left()) Delete();
    } else if (caption == QLatin1String("DEL")) {
        Delete();
    } else if (caption == QStringLiteral("←")) {
        (void)Left();
    } else if (caption == QStringLiteral("→")) {
        Right();
    } else if (caption == QLatin1String("Space")) {
        Insert(QStringLiteral(" "));
    } else {
        Insert(caption);
    }
}

void Keypad::Insert(const QString& s) {
    const QString text = EditText();
    const int start = SelStart();
    const int length = SelLength();
    SetEditText(text.left(start) + s + text.mid(start + length), multiLine_);
    SetSelection(start + static_cast<int>(s.size()), 0);
}

void Keypad::Delete() {
    QString text = EditText();
    const int start = SelStart();
    const int length = SelLength();
    if (start >= text.size()) return;
    if (length > 0)
        text.remove(start, length);
    else
        text.remove(start, LineEndAt(text, start) ? 2 : 1);
    SetEditText(text, multiLine_);
    SetSelection(start, 0);
}

bool Keypad::Left() {
    const QString text = EditText();
    int pos = SelStart() + SelLength() - 1;
    if (pos < 0) return false;  // at the start of the line
    if (LineEndAt(text, pos - 1)) --pos;
    SetSelection(pos, 0);
    return true;
}

void Keypad::Right() {
    const QString text = EditText();
    const int start = SelStart();
    const int length = SelLength();
    int pos = start + length;
    if (length == 0 && start < text.size()) pos = start + (LineEndAt(text, start) ? 2 : 1);
    SetSelection(pos, 0);
}

void Keypad::ClearLastOperand() {
    QString text = EditText();
    while (!text.isEmpty()) {
        const QChar last = text.back();
        text.chop(1);
        if (IsOperator(last)) break;
    }
    SetEditText(text, multiLine_);
}

// --- closing -----------------------------------------------------------------------

void Keypad::Accept() {
    done(QDialog::Accepted);
}

void Keypad::Cancel() {
    cancelled_ = true;
    done(QDialog::Rejected);
}

void Keypad::reject() {
    Cancel();
}

void Keypad::closeEvent(QCloseEvent* event) {
    cancelled_ = true;
    QDialog::closeEvent(event);
}

bool Keypad::eventFilter(QObject* watched, QEvent* event) {
    if (watched == multiLineEdit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & Qt::ControlModifier) != 0) {
            Accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool Keypad::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FocusEditLine();
    return QDialog::event(event);
}

void Keypad::FocusEditLine() {
    if (multiLine_)
        multiLineEdit_->setFocus();
    else
        editLine_->setFocus();
}

// --- layout ------------------------------------------------------------------------

void Keypad::Arrange() {
    const QFontMetrics fm = fontMetrics();
    // Each panel's key unit fits its widest caption over the keys it spans.
    auto unitFor = [&](const KeySpec* layout, int count, int first) {
        int unit = 40;
        for (int i = 0; i < count; ++i) {
            const QString caption = keys_[first + i]->text();
            if (caption.size() < 2) continue;
            const int need = fm.horizontalAdvance(caption) + 22;
            const int span = layout[i].span;
            unit = std::max(unit, (need - (span - 1) * kGap + span - 1) / span);
        }
        return unit;
    };
    const int padUnit = unitFor(kPad, kPadKeys, 0);
    int fullUnit = unitFor(kFull, kFullKeys, kPadKeys);
    const int keyHeight = std::max(32, fm.height() + 16);
    const int editHeight = multiLine_ ? 3 * fm.lineSpacing() + 14 : fm.height() + 14;

    int y = kMargin;
    const int editTop = y;
    y += editHeight + kGap;
    fullCheck_->adjustSize();
    fullCheck_->move(kMargin, y);
    y += fullCheck_->height() + kGap;

    const int padPanelWidth = kPadColumns * padUnit + (kPadColumns - 1) * kGap;
    const int fullLeft = kMargin + padPanelWidth + 2 * kMargin;
    // The whole keyboard stays within the screen's width (less room for the frame):
    // on a narrow screen its keys get narrower.
    if (const QScreen* s = screen()) {
        const int room = s->availableGeometry().width() - 40;
        const int widest = (room - fullLeft - kMargin - (kFullColumns - 1) * kGap) / kFullColumns;
        fullUnit = std::max(24, std::min(fullUnit, widest));
    }

    auto place = [&](const KeySpec& layout, QPushButton* key, int unit) {
        key->setGeometry(layout.column * (unit + kGap), layout.row * (keyHeight + kGap),
                         layout.span * unit + (layout.span - 1) * kGap, keyHeight);
    };
    for (int i = 0; i < kPadKeys; ++i) place(kPad[i], keys_[i], padUnit);
    for (int i = 0; i < kFullKeys; ++i) place(kFull[i], keys_[kPadKeys + i], fullUnit);

    const int panelHeight = kRows * keyHeight + (kRows - 1) * kGap;
    padPanel_->setGeometry(kMargin, y, padPanelWidth, panelHeight);
    fullPanel_->setGeometry(fullLeft, y, kFullColumns * fullUnit + (kFullColumns - 1) * kGap,
                            panelHeight);
    padWidth_ = padPanel_->x() + padPanel_->width() + kMargin;
    fullWidth_ = fullPanel_->x() + fullPanel_->width() + kMargin;
    editLine_->move(kMargin, editTop);
    multiLineEdit_->move(kMargin, editTop);
    editLine_->resize(editLine_->width(), editHeight);
    multiLineEdit_->resize(multiLineEdit_->width(), editHeight);
    windowHeight_ = y + panelHeight + kMargin;
}

void Keypad::KeepOnScreen() {
    const QScreen* s = screen();
    if (s == nullptr) return;
    const QRect room = s->availableGeometry();
    const QRect frame = frameGeometry();  // with the title bar, once the window shows
    int x = std::min(frame.x(), room.right() + 1 - frame.width());
    int y = std::min(frame.y(), room.bottom() + 1 - frame.height());
    x = std::max(x, room.x());
    y = std::max(y, room.y());
    if (x != frame.x() || y != frame.y()) move(x, y);
}

void Keypad::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    KeepOnScreen();
}

void Keypad::ShowFullKeyboard(bool full) {
    const int w = full ? fullWidth_ : padWidth_;
    editLine_->resize(w - 2 * kMargin, editLine_->height());
    multiLineEdit_->resize(w - 2 * kMargin, multiLineEdit_->height());
    setFixedSize(w, windowHeight_);
    if (isVisible()) KeepOnScreen();  // wider now: it may reach past the screen's edge
}

}  // namespace services
