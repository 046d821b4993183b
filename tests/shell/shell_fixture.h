#pragma once
// A fresh main window per test, with every message box answered by code.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include "model/model.h"
#include "platform/messagebox.h"
#include "shell/analysispanel.h"
#include "shell/document.h"
#include "shell/mainwindow.h"
#include "shell/runcontroller.h"

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace shelltest {

class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetMessageHandler([this](const QString& text, bool question) {
            messages.push_back(text);
            return question ? answerYes : true;
        });
        frame = new shell::MainWindow();
        frame->show();
        panel = frame->analysisPanel();
    }
    void TearDown() override {
        delete frame;
        platform::SetMessageHandler(nullptr);
    }

    // The main window's document and its structure.
    [[nodiscard]] shell::Document& Doc() const { return frame->CurrentDocument(); }
    [[nodiscard]] fem::Model& Model() const { return Doc().Model(); }

    template <class T>
    T* Get(const QString& name) const {
        T* w = frame->findChild<T*>(name);
        if (!w) ADD_FAILURE() << "no control " << name.toStdString();
        return w;
    }

    // Once `dialog` runs modally: `fill` sets its controls, then `button` is pressed.
    // The dialog is closed in any case, so that a failing check cannot leave it open.
    static void Answer(QDialog* dialog, std::function<void()> fill, const char* button) {
        QTimer::singleShot(0, dialog, [dialog, fill, button] {
            if (fill) fill();
            if (auto* b = dialog->findChild<QPushButton*>(QLatin1String(button)))
                b->click();
            else
                dialog->reject();
        });
    }

    // Runs the event loop until the panel's computation (analysis or element forces)
    // has ended and its messages, drawing or graphs are done.
    void Settle() {
        if (!panel->Busy()) return;
        QEventLoop loop;
        QObject::connect(panel, &shell::AnalysisPanel::ComputationFinished, &loop,
                         &QEventLoop::quit);
        loop.exec();
    }
    // Makes every progress report of the computations wait until the test has acted on
    // it, so that a test acting on point k sees the computation still running.
    void PaceProgress() { frame->Runs().SetPaced(true); }
    // "解析実行" and its end.
    void Analyse() {
        panel->RunAnalysis();
        Settle();
    }

    // Chooses entry `index` of a list as a user does.
    static void Choose(QComboBox* list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    shell::MainWindow* frame = nullptr;
    shell::AnalysisPanel* panel = nullptr;
    std::vector<QString> messages;
    bool answerYes = true;
};

}  // namespace shelltest
