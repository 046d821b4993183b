// Colour values, twips, message boxes and the event-loop yield.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/eventyield.h"
#include "platform/messagebox.h"
#include "platform/qtcolor.h"
#include "platform/twips.h"

namespace {

TEST(ColourValue, PacksRedGreenBlueAndConvertsToQColor) {
    EXPECT_EQ(platform::RGB(1, 2, 3), 1 + 2 * 256 + 3 * 65536);
    const platform::Color c = platform::RGB(200, 100, 50);
    EXPECT_EQ(platform::RedOf(c), 200);
    EXPECT_EQ(platform::GreenOf(c), 100);
    EXPECT_EQ(platform::BlueOf(c), 50);
    EXPECT_EQ(platform::ToQColor(c), QColor(200, 100, 50));
    EXPECT_EQ(platform::FromQColor(QColor(Qt::blue)), 16711680);
    EXPECT_EQ(platform::FromQColor(QColor::fromHsv(0, 255, 255)),
              255);  // a colour given as hue, saturation, value
    for (platform::Color v : {0, 255, 65280, 16711680, 16777215, 8421504})
        EXPECT_EQ(platform::FromQColor(platform::ToQColor(v)), v);
}

TEST(Twips, OneInchIs1440AtTheLogicalDpi) {
    const double dpi = platform::ScreenDpi();
    EXPECT_GT(dpi, 0.0);
    EXPECT_EQ(platform::TwipsToPixels(1440.0), static_cast<int>(std::lround(dpi)));
    EXPECT_DOUBLE_EQ(platform::PixelsToTwips(static_cast<int>(dpi)),
                     static_cast<int>(dpi) * 1440.0 / dpi);
    EXPECT_EQ(platform::TwipsToPixels(platform::PixelsToTwips(321)), 321);
}

// Clicks a button of the message box as soon as it is open; without that button the
// box is closed all the same (the text seen is then left empty, and the check fails).
void AnswerNextBox(QMessageBox::StandardButton which, QString* seenText) {
    seenText->clear();
    QTimer::singleShot(0, [which, seenText] {
        QWidget* modal = QApplication::activeModalWidget();
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box && box->button(which)) {
            *seenText = box->text();
            box->button(which)->click();
        } else if (modal) {
            modal->close();
        }
    });
}

TEST(MessageBox, DialogsAnswerAndTheHandlerReplacesThem) {
    QString seen;
    AnswerNextBox(QMessageBox::No, &seen);
    EXPECT_FALSE(platform::AskYesNo(nullptr, QStringLiteral("削除しますか？")));
    EXPECT_EQ(seen, QStringLiteral("削除しますか？"));
    AnswerNextBox(QMessageBox::Yes, &seen);
    EXPECT_TRUE(platform::AskYesNo(nullptr, QStringLiteral("q")));
    AnswerNextBox(QMessageBox::Ok, &seen);
    platform::ShowMessage(nullptr, QStringLiteral("表示単位の入力が不適当です"));
    EXPECT_EQ(seen, QStringLiteral("表示単位の入力が不適当です"));

    std::vector<std::pair<QString, bool>> calls;
    platform::SetMessageHandler([&](const QString& text, bool question) {
        calls.emplace_back(text, question);
        return question;
    });
    platform::ShowMessage(nullptr, QStringLiteral("Gauss Error"));
    EXPECT_TRUE(platform::AskYesNo(nullptr, QStringLiteral("?")));
    platform::SetMessageHandler(nullptr);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], std::make_pair(QStringLiteral("Gauss Error"), false));
    EXPECT_EQ(calls[1], std::make_pair(QStringLiteral("?"), true));
}

TEST(EventLoopYield, LetsEventsThroughAtMostOncePerInterval) {
    int handled = 0;
    auto post = [&] {
        QMetaObject::invokeMethod(
            qApp, [&] { ++handled; }, Qt::QueuedConnection);
    };
    platform::EventLoopYield yield(60000);
    post();
    yield.Yield();  // first call: the interval has not started yet
    EXPECT_EQ(handled, 1);
    post();
    for (int i = 0; i < 100000; ++i) yield.Yield();  // all within the interval
    EXPECT_EQ(handled, 1);
    yield.YieldNow();
    EXPECT_EQ(handled, 2);

    platform::EventLoopYield quick(0);
    post();
    quick.Yield();
    EXPECT_EQ(handled, 3);
}

}  // namespace
