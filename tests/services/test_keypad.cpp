// The keypad: every editing key on single- and multi-line text, opening and closing
// on a text box, the two widths and the key captions.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "services/keypad.h"

namespace {

using services::Keypad;

class KeypadTest : public ::testing::Test {
  protected:
    // Sets the edit line and its selection, presses the keys, returns the text.
    QString Apply(const QString& text, int start, int length, const QStringList& keys,
                  bool multiLine = false) {
        kb.SetEditText(text, multiLine);
        kb.SetSelection(start, length);
        for (const QString& k : keys) kb.PressKey(k);
        return kb.EditText();
    }
    Keypad kb;
};

TEST_F(KeypadTest, ClRemovesTheLastOperandWithItsOperator) {
    EXPECT_EQ(Apply("12+345", 2, 0, {"CL"}), "12");
    EXPECT_EQ(kb.SelStart(), 2);  // caret at the end
    EXPECT_EQ(Apply("345", 0, 0, {"CL"}), "");
    EXPECT_EQ(Apply("", 0, 0, {"CL"}), "");
    EXPECT_EQ(Apply("2*3^2", 0, 0, {"CL"}), "2*3");
    EXPECT_EQ(Apply("1.5E-3", 0, 0, {"CL"}), "1.5E");
    EXPECT_EQ(Apply("7/", 0, 0, {"CL", "CL"}), "");
    EXPECT_EQ(Apply("12345", 1, 2, {"AC"}), "");
}

TEST_F(KeypadTest, InsertionReplacesTheSelection) {
    EXPECT_EQ(Apply("12345", 1, 3, {"9"}), "195");
    EXPECT_EQ(kb.SelStart(), 2);
    EXPECT_EQ(kb.SelLength(), 0);
    EXPECT_EQ(Apply("12", 1, 0, {"Space", "E", "+"}), "1 E+2");
    EXPECT_EQ(kb.SelStart(), 4);
    EXPECT_EQ(Apply("", 0, 0, {"(", "Q", ")", "<", ">", "=", ","}), "(Q)<>=,");
}

TEST_F(KeypadTest, CaretKeysAndDeletionOnOneLine) {
    // BS at the start changes nothing; elsewhere it removes the character before.
    EXPECT_EQ(Apply("123", 0, 0, {"BS"}), "123");
    EXPECT_EQ(kb.SelStart(), 0);
    EXPECT_EQ(Apply("123", 2, 0, {"BS"}), "13");
    EXPECT_EQ(kb.SelStart(), 1);
    // DEL at the end changes nothing; with a selection it removes the selection.
    EXPECT_EQ(Apply("123", 3, 0, {"DEL"}), "123");
    EXPECT_EQ(Apply("12345", 1, 3, {"DEL"}), "15");
    EXPECT_EQ(kb.SelStart(), 1);
    EXPECT_EQ(Apply("123", 0, 0, {"DEL"}), "23");
    // ← goes to one before the end of the selection, → to its end.
    Apply("12345", 1, 3, {"←"});
    EXPECT_EQ(kb.SelStart(), 3);
    EXPECT_EQ(kb.SelLength(), 0);
    Apply("12345", 1, 3, {"→"});
    EXPECT_EQ(kb.SelStart(), 4);
    Apply("12", 0, 0, {"←"});
    EXPECT_EQ(kb.SelStart(), 0);
    Apply("12", 2, 0, {"→"});
    EXPECT_EQ(kb.SelStart(), 2);
    // BS on the whole text (as just opened) takes its last character.
    EXPECT_EQ(Apply("0.001", 0, 5, {"BS"}), "0.00");
}

TEST_F(KeypadTest, LineEndsCountAsOneStepOnMultipleLines) {
    const QString twoLines = QStringLiteral("ab\r\ncd");
    // DEL over a line end joins the lines.
    EXPECT_EQ(Apply(twoLines, 2, 0, {"DEL"}, true), "abcd");
    EXPECT_EQ(kb.SelStart(), 2);
    // ← from the start of the second line lands at the end of the first.
    Apply(twoLines, 4, 0, {"←"}, true);
    EXPECT_EQ(kb.SelStart(), 2);
    // → from the end of the first line lands at the start of the second.
    Apply(twoLines, 2, 0, {"→"}, true);
    EXPECT_EQ(kb.SelStart(), 4);
    // BS at the start of the second line removes the line end.
    EXPECT_EQ(Apply(twoLines, 4, 0, {"BS"}, true), "abcd");
    EXPECT_EQ(kb.SelStart(), 2);
    // Enter inserts a line end there; on one line it accepts instead.
    EXPECT_EQ(Apply("xy", 1, 0, {"Enter", "z"}, true), "x\r\nzy");
    EXPECT_EQ(kb.SelStart(), 4);
    // A selection over a line end is replaced as a whole.
    EXPECT_EQ(Apply("ab\r\ncd\r\nef", 1, 6, {"-"}, true), "a-\r\nef");
    // The edit line shows the line ends as line breaks.
    EXPECT_EQ(kb.MultiLineEdit()->toPlainText(), QStringLiteral("a-\nef"));
    EXPECT_EQ(Apply("", 0, 0, {"1", "Enter", "Enter", "CL"}, true), "");
}

// Runs `during` once the keypad is open, then lets it close.
void WhileOpen(std::function<void()> during) {
    QTimer::singleShot(0, std::move(during));
}

TEST_F(KeypadTest, OpeningSelectsAllAndTheFirstKeyReplacesIt) {
    QLineEdit box(QStringLiteral("0.001"));
    const QColor base = box.palette().color(QPalette::Base);
    WhileOpen([&] {
        EXPECT_TRUE(kb.isVisible());
        EXPECT_EQ(box.palette().color(QPalette::Base), QColor(255, 0, 0));
        EXPECT_EQ(box.cursorPosition(), 5);
        EXPECT_EQ(kb.EditText(), QStringLiteral("0.001"));
        EXPECT_EQ(kb.SelStart(), 0);
        EXPECT_EQ(kb.SelLength(), 5);
        kb.Key(20)->click();  // the pad's "0"
        kb.PressKey(".");
        kb.PressKey("5");
        kb.PressKey("Enter");
    });
    EXPECT_EQ(kb.InputText(&box), QStringLiteral("0.5"));
    EXPECT_FALSE(kb.isVisible());
    EXPECT_FALSE(kb.Cancelled());
    EXPECT_EQ(box.palette().color(QPalette::Base), base);
    EXPECT_FALSE(box.testAttribute(Qt::WA_SetPalette));
    EXPECT_EQ(box.text(), QStringLiteral("0.001"));  // the caller sets the box
}

TEST_F(KeypadTest, EscAndTheCloseBoxReturnTheTextAsItWas) {
    QLineEdit box(QStringLiteral("12"));
    QPalette own = box.palette();
    own.setColor(QPalette::Base, QColor(255, 255, 128));
    box.setPalette(own);

    WhileOpen([&] {
        kb.PressKey("→");
        kb.PressKey("+");
        kb.PressKey("3");
        EXPECT_EQ(kb.EditText(), QStringLiteral("12+3"));
        kb.PressKey("ESC");
    });
    EXPECT_EQ(kb.InputText(&box), QStringLiteral("12"));
    EXPECT_TRUE(kb.Cancelled());
    EXPECT_EQ(box.palette().color(QPalette::Base), QColor(255, 255, 128));

    WhileOpen([&] {
        kb.PressKey("9");
        kb.close();
    });
    EXPECT_EQ(kb.InputText(&box), QStringLiteral("12"));
    EXPECT_EQ(box.palette().color(QPalette::Base), QColor(255, 255, 128));

    // The Escape key of the keyboard cancels, Return in the edit line accepts.
    WhileOpen([&] {
        kb.PressKey("9");
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(kb.EditLine(), &esc);
    });
    EXPECT_EQ(kb.InputText(&box), QStringLiteral("12"));
    WhileOpen([&] {
        kb.PressKey("9");
        QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        QApplication::sendEvent(kb.EditLine(), &ret);
    });
    EXPECT_EQ(kb.InputText(&box), QStringLiteral("9"));
}

TEST_F(KeypadTest, MultiLineBoxGetsItsOwnLineBreaksBack) {
    QPlainTextEdit box(QStringLiteral("a\nb"));
    WhileOpen([&] {
        EXPECT_TRUE(kb.MultiLine());
        EXPECT_EQ(kb.EditText(), QStringLiteral("a\r\nb"));
        EXPECT_EQ(kb.SelLength(), 4);
        kb.PressKey("→");
        kb.PressKey("Enter");
        kb.PressKey("c");
        kb.PressKey("ESC");
    });
    EXPECT_EQ(kb.InputText(&box), QStringLiteral("a\nb"));
    WhileOpen([&] {
        kb.PressKey("→");
        kb.PressKey("Enter");
        kb.PressKey("c");
        kb.close();
    });
    EXPECT_EQ(kb.InputText(&box), QStringLiteral("a\nb"));
    EXPECT_TRUE(kb.Cancelled());

    // Enter adds lines here, so Ctrl+Return accepts.
    WhileOpen([&] {
        kb.PressKey("→");
        kb.PressKey("Enter");
        kb.PressKey("c");
        QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::ControlModifier);
        QApplication::sendEvent(kb.MultiLineEdit(), &ret);
    });
    EXPECT_EQ(kb.InputText(&box), QStringLiteral("a\nb\nc"));
    // A single-line box afterwards gets a single-line edit line again.
    QLineEdit line(QStringLiteral("5"));
    WhileOpen([&] {
        EXPECT_FALSE(kb.MultiLine());
        kb.PressKey("Enter");
    });
    EXPECT_EQ(kb.InputText(&line), QStringLiteral("5"));
}

TEST_F(KeypadTest, KeysAndWidths) {
    std::set<const QPushButton*> keys;
    for (int i = 0; i < Keypad::kKeyCount; ++i) keys.insert(kb.Key(i));
    EXPECT_EQ(keys.size(), 82u);
    EXPECT_EQ(keys.count(nullptr), 0u);

    // Every caption fits its key.
    for (int i = 0; i < Keypad::kKeyCount; ++i) {
        const QPushButton* key = kb.Key(i);
        EXPECT_LE(key->fontMetrics().horizontalAdvance(key->text()) + 8, key->width())
            << key->text().toStdString();
        EXPECT_LE(key->fontMetrics().height(), key->height());
    }

    // Keys are clicked by the mouse: "Space" types a space.
    kb.SetEditText(QString(), false);
    kb.Key(25 + 48)->click();
    EXPECT_EQ(kb.EditText(), QStringLiteral(" "));

    EXPECT_EQ(kb.width(), kb.PadWidth());
    EXPECT_LT(kb.PadWidth(), kb.FullWidth());
    kb.FullKeyboardCheck()->setChecked(true);
    EXPECT_EQ(kb.width(), kb.FullWidth());
    // The full keyboard lies right of the pad, inside the wide window only.
    const QPushButton* qKey = kb.Key(25 + 12);  // "Q"
    EXPECT_EQ(qKey->text(), QStringLiteral("Q"));
    const int qLeft = qKey->mapTo(&kb, QPoint(0, 0)).x();
    EXPECT_GE(qLeft, kb.PadWidth());
    EXPECT_LE(qLeft + qKey->width(), kb.FullWidth());
    kb.FullKeyboardCheck()->setChecked(false);
    EXPECT_EQ(kb.width(), kb.PadWidth());
}

// Opened near the screen's bottom-right corner and widened, the keypad stays on the
// screen, even one narrower than its keys would need at their natural width.
TEST_F(KeypadTest, TheWholeKeyboardStaysOnTheScreen) {
    const QRect room = kb.screen()->availableGeometry();
    QLineEdit line(QStringLiteral("1"));
    QTimer::singleShot(0, &kb, [&] {
        kb.FullKeyboardCheck()->setChecked(true);
        EXPECT_TRUE(room.contains(kb.frameGeometry())) << kb.frameGeometry().x();
        kb.PressKey("ESC");
    });
    kb.move(room.right() - 50, room.bottom() - 50);
    kb.InputText(&line);
    EXPECT_LE(kb.FullWidth(), room.width());
}

}  // namespace
