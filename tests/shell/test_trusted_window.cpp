// What a user must be able to trust at a glance: graphs of a changed structure refuse to
// be saved, unsaved edits are asked about, progress and stop say what happens, the load's
// start is stated, the keyboard reaches the commands, and the windows carry the program's
// own titles. Driven offscreen; every dialog is answered by code.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>

#include "results/forcegraphwindow.h"
#include "results/pendialog.h"
#include "services/fileservice.h"
#include "shell/elementsheet.h"
#include "shell/nodesheet.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

const QString kChanged =
    QStringLiteral("構造が解析後に変更されました。もう一度「解析実行」で解析して下さい。");
const QString kTitleTail = QStringLiteral("[*] - 三次元衝撃骨組み構造解析");

// File dialogs answered by the test; the folders they were started in are kept.
class AnsweringDialogs : public services::FileServiceDialogs {
  public:
    QString OpenFile(QWidget*, const services::FileDialogRequest& r, int* filter) override {
        ++asked;
        startFolders << r.startFolder;
        if (filter) *filter = 0;
        return openAnswer;
    }
    QString SaveFile(QWidget*, const services::FileDialogRequest& r, int* filter) override {
        ++asked;
        startFolders << r.startFolder;
        if (filter) *filter = r.filterIndex;
        return saveAnswer;
    }
    QColor GetColor(QWidget*, const QColor&) override { return {}; }
    bool GetFont(QWidget*, QFont&, QColor&, bool) override { return false; }
    bool PrinterSetup(QWidget*, QPrinter&) override { return false; }

    QString openAnswer, saveAnswer;
    int asked = 0;
    QStringList startFolders;
};

class TrustedWindowTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        services::ProgramFileService().SetDialogs(&dialogs);
        platform::SetSaveChoiceHandler([this](const QString& text) {
            saveQuestions << text;
            return saveAnswer;
        });
    }
    void TearDown() override {
        platform::SetSaveChoiceHandler(nullptr);
        services::ProgramFileService().SetDialogs(nullptr);
        ShellTest::TearDown();
    }
    // A diameter changed in the element sheet, as a user does.
    void EditElementDiameter(int element, const char* diameter) {
        QDialog* sheet = panel->elementSheet();
        Answer(
            sheet,
            [sheet, diameter] {
                sheet->findChild<QLineEdit*>(QStringLiteral("diameterEdit"))->setText(diameter);
            },
            "confirmButton");
        panel->EditElement(element);
    }
    results::ForceGraphWindow* Graphs() const {
        return qobject_cast<results::ForceGraphWindow*>(frame->ForceGraphWindow());
    }
    QString PathOf(const char* name) const { return dir.filePath(QLatin1String(name)); }

    AnsweringDialogs dialogs;
    QStringList saveQuestions;
    platform::SaveChoice saveAnswer = platform::SaveChoice::Cancel;
    QTemporaryDir dir;
};

// After any change of the structure an open graph says it belongs to the structure
// before, and its picture, CSV, print and copy refuse with the message of "計算実行".
TEST_F(TrustedWindowTest, AGraphOfAChangedStructureIsRetiredAndRefusesToBeSaved) {
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    const struct {
        const char* what;
        std::function<void()> change;
    } changes[] = {
        {"a sheet edit", [this] { EditElementDiameter(1, "12"); }},
        {"a sample built", [this] { frame->Action("sample3Action")->trigger(); }},
    };
    for (const auto& c : changes) {
        frame->Action("sample1Action")->trigger();
        Analyse();
        panel->ComputeElementForces(1);
        Settle();
        results::ForceGraphWindow* graphs = Graphs();
        ASSERT_NE(graphs, nullptr) << c.what;
        EXPECT_FALSE(graphs->Retired()) << c.what;
        saveAnswer = platform::SaveChoice::Discard;
        c.change();
        EXPECT_TRUE(graphs->Retired()) << c.what;
        EXPECT_TRUE(graphs->forceList->count() == 0) << c.what;

        messages.clear();
        dialogs.asked = 0;
        graphs->SaveCsv();
        graphs->SavePicture();
        graphs->Print();
        graphs->CopyList(graphs->forceList);
        EXPECT_EQ(dialogs.asked, 0) << c.what;
        EXPECT_EQ(messages, std::vector<QString>(4, kChanged)) << c.what;
    }
    // New histories end the retirement.
    Analyse();
    panel->ComputeElementForces(0);
    Settle();
    EXPECT_FALSE(Graphs()->Retired());
    EXPECT_GT(Graphs()->forceList->count(), 0);
}

// The title names the file (or sample) and marks unsaved edits; leaving a changed
// structure asks "変更を保存しますか？", and キャンセル keeps everything as it was.
TEST_F(TrustedWindowTest, UnsavedEditsAreAskedAboutAndMarkedInTheTitle) {
    frame->Action("sample1Action")->trigger();
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Sample1") + kTitleTail);
    EXPECT_FALSE(frame->isWindowModified());
    frame->Action("sample3Action")->trigger();  // nothing was changed: nothing asked
    EXPECT_TRUE(saveQuestions.isEmpty());
    EXPECT_EQ(Model().NodeCount(), 5);

    EditElementDiameter(1, "12");
    EXPECT_TRUE(frame->isWindowModified());

    saveAnswer = platform::SaveChoice::Cancel;
    frame->Action("sample1Action")->trigger();
    dialogs.openAnswer = PathOf("never.txt");
    frame->Action("readStructureAction")->trigger();
    EXPECT_FALSE(frame->close());
    EXPECT_EQ(saveQuestions, QStringList(3, QStringLiteral("変更を保存しますか？")));
    EXPECT_EQ(dialogs.asked, 0) << "no file dialog after キャンセル";
    EXPECT_EQ(Model().NodeCount(), 5);
    EXPECT_TRUE(frame->isWindowModified());

    // 保存: written first (a name is asked for, ".txt" added), then the next structure.
    saveAnswer = platform::SaveChoice::Save;
    dialogs.saveAnswer = PathOf("edited");
    frame->Action("sample1Action")->trigger();
    EXPECT_TRUE(QFile::exists(PathOf("edited.txt")));
    EXPECT_EQ(Model().NodeCount(), 3);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Sample1") + kTitleTail);

    // A save cancelled in its file dialog keeps the structure.
    EditElementDiameter(1, "14");
    dialogs.saveAnswer.clear();
    frame->Action("sample3Action")->trigger();
    EXPECT_EQ(Model().NodeCount(), 3);

    // 保存しない: the edit is let go of.
    saveAnswer = platform::SaveChoice::Discard;
    dialogs.openAnswer = PathOf("edited.txt");
    frame->Action("readStructureAction")->trigger();
    EXPECT_EQ(Model().NodeCount(), 5);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("edited.txt") + kTitleTail);
    EXPECT_FALSE(frame->isWindowModified());
    // The next file dialog starts in the folder of the current file.
    frame->Action("readStructureAction")->trigger();
    EXPECT_EQ(QDir(dialogs.startFolders.back()), QDir(dir.path()));
}

// No structure: the command is disabled and the panel says so once. While a run goes on
// the progress reads "k / n", and "中止" says at once that it is stopping.
TEST_F(TrustedWindowTest, ProgressAndStopSayWhatHappens) {
    EXPECT_FALSE(frame->Action("dynamicAnalysisAction")->isEnabled());
    panel->RunAnalysis();
    EXPECT_EQ(messages, std::vector<QString>({QStringLiteral("構造データがありません。")}));
    QPushButton* stop = Get<QPushButton>("stopButton");
    EXPECT_FALSE(stop->isEnabled());

    frame->Action("sample4Action")->trigger();
    EXPECT_TRUE(frame->Action("dynamicAnalysisAction")->isEnabled());
    Get<QComboBox>("nwCombo")->setCurrentIndex(5);  // 8192: points 0 .. 4096
    PaceProgress();
    QString during, stopping;
    bool enabledDuring = false;
    QObject::connect(panel, &shell::AnalysisPanel::Progressed, panel, [&](int k) {
        if (k < 10 || !during.isEmpty()) return;
        during = Get<QLabel>("analysisProgress")->text();
        enabledDuring = stop->isEnabled();
        stop->click();
        stopping = stop->text();
        EXPECT_FALSE(stop->isEnabled());
    });
    messages.clear();
    Analyse();
    EXPECT_EQ(during, " 11 / 4097 ");
    EXPECT_TRUE(enabledDuring);
    EXPECT_EQ(stopping, QStringLiteral("中止しています…"));
    EXPECT_EQ(stop->text(), QStringLiteral("中止"));
    EXPECT_FALSE(stop->isEnabled());
    const QProgressBar* bar = Get<QProgressBar>("progressBar");
    EXPECT_EQ(bar->maximum(), 4097);
    EXPECT_GE(bar->value(), 11);
    EXPECT_LT(bar->value(), 4097);
}

// The counts of a run belong to the structure it ran on: a redraw keeps them, a sheet
// edit clears them with the bar.
TEST_F(TrustedWindowTest, ProgressCountsGoWithTheStructureTheyWereMadeOn) {
    frame->Action("sample1Action")->trigger();
    QComboBox* nw = Get<QComboBox>("nwCombo");
    nw->setCurrentIndex(0);
    Analyse();
    panel->ComputeElementForces(1);
    Settle();
    // Transform points 0 .. Nw/2 without the correction.
    const QString done = QStringLiteral(" %1 / %1 ").arg(nw->currentText().toInt() / 2 + 1);
    QLabel* analysis = Get<QLabel>("analysisProgress");
    QLabel* forces = Get<QLabel>("forceProgress");
    const QProgressBar* bar = Get<QProgressBar>("progressBar");
    EXPECT_EQ(analysis->text(), done);
    EXPECT_EQ(forces->text(), done);
    panel->DrawStructure();
    EXPECT_EQ(analysis->text(), done);
    EXPECT_EQ(forces->text(), done);
    EXPECT_EQ(bar->value(), bar->maximum());

    EditElementDiameter(1, "12");
    EXPECT_EQ(analysis->text(), " 0 ");
    EXPECT_EQ(forces->text(), " 0 ");
    EXPECT_EQ(bar->value(), 0);
}

// Every step load starts at Te/10; the node sheet and the rise time's tip give the load
// with that start.
TEST_F(TrustedWindowTest, TheLoadFormulaStatesItsStart) {
    const QString formula = QStringLiteral("P(t) = pf·H(t − Te/10)·{1 − exp(−(t − Te/10)/(τ·Te))}");
    EXPECT_EQ(panel->nodeSheet()->findChild<QLabel*>(QStringLiteral("stepLoadNote"))->text(),
              formula);
    EXPECT_TRUE(Get<QLineEdit>("tauEdit")->toolTip().contains(formula));
}

// Menus by Alt and their letter, the frequent commands by shortcuts, Enter applies a
// sheet, and Tab walks the panel from top to bottom (one column after the other).
TEST_F(TrustedWindowTest, TheKeyboardReachesTheCommands) {
    EXPECT_EQ(frame->Action("readStructureAction")->shortcut(), QKeySequence(QKeySequence::Open));
    EXPECT_EQ(frame->Action("overwriteStructureAction")->shortcut(),
              QKeySequence(QKeySequence::Save));
    EXPECT_EQ(frame->Action("dynamicAnalysisAction")->shortcut(), QKeySequence(Qt::Key_F5));

    frame->Action("sample1Action")->trigger();
    QDialog* sheet = panel->nodeSheet();
    QTimer::singleShot(0, sheet, [sheet] {
        QLineEdit* y = sheet->findChild<QLineEdit*>(QStringLiteral("coordinateEdit1"));
        y->setFocus();
        y->setText("25");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(y, &enter);
        if (sheet->isVisible()) sheet->reject();  // Enter did nothing: fail, never hang
    });
    panel->EditNode(2);
    EXPECT_DOUBLE_EQ(Model().Nodes[2].Coord[1], 25.0);

    // Tab order: down a column, then once up to the top of the next one.
    std::vector<QWidget*> chain;
    QWidget* first = Get<QPushButton>("readDataButton");
    QWidget* w = first;
    do {
        if (panel->isAncestorOf(w) && w->isVisible() && (w->focusPolicy() & Qt::TabFocus))
            chain.push_back(w);
        w = w->nextInFocusChain();
    } while (w != first && chain.size() < 200);
    ASSERT_GT(chain.size(), 10u);
    int upward = 0;
    for (std::size_t i = 1; i < chain.size(); ++i) {
        const QPoint a = chain[i - 1]->mapTo(panel, QPoint(0, 0));
        const QPoint b = chain[i]->mapTo(panel, QPoint(0, 0));
        if (b.y() + 2 < a.y()) {
            ++upward;
            EXPECT_GT(b.x(), a.x())
                << chain[i]->objectName().toStdString() << " is above and left of "
                << chain[i - 1]->objectName().toStdString();
        }
    }
    EXPECT_LE(upward, 1);
}

// At the places the main window starts at on 1280x800 and 1600x1000 screens, the view,
// graph and modes windows open inside the working area, clear of the analysis panel, with
// every button in sight.
TEST_F(TrustedWindowTest, ChildWindowsOpenBesideThePanelInsideTheArea) {
    for (const QSize screen : {QSize(1280, 800), QSize(1600, 1000)}) {
        delete frame;
        frame = new shell::MainWindow();
        const QRect start = frame->StartGeometry(QRect(QPoint(0, 0), screen));
        frame->resize(start.size());
        frame->move(start.topLeft());
        frame->show();
        // The structure read at once, as a file named at start is: before the working
        // area has shown its scroll bars.
        panel = frame->analysisPanel();
        frame->Action("sample1Action")->trigger();
        Get<QComboBox>("nwCombo")->setCurrentIndex(0);
        Analyse();
        panel->ComputeElementForces(1);
        Settle();
        frame->Action("naturalFrequenciesAction")->trigger();
        QApplication::processEvents();
        const QWidget* viewport = Get<QMdiArea>("mdiArea")->viewport();
        const QRect area(QPoint(0, 0), viewport->size());
        const QRect panelRect = Get<QMdiSubWindow>("analysisPanelSubWindow")->geometry();
        for (const char* name : {"viewSubWindow", "forceGraphSubWindow", "modesSubWindow"}) {
            const std::string where = std::string(name) + " at " + std::to_string(screen.width());
            const auto* sub = Get<QMdiSubWindow>(QLatin1String(name));
            ASSERT_NE(sub, nullptr) << where;
            EXPECT_TRUE(sub->isVisible()) << where;
            EXPECT_TRUE(area.contains(sub->geometry())) << where;
            EXPECT_FALSE(sub->geometry().intersects(panelRect)) << where;
            for (const QPushButton* b : sub->findChildren<QPushButton*>()) {
                if (!b->isVisible()) continue;
                const QRect r(b->mapTo(viewport, QPoint(0, 0)), b->size());
                EXPECT_TRUE(sub->geometry().contains(r)) << where << " " << b->text().toStdString();
            }
        }
    }
}

// The program's own titles: message boxes are titled "ImpactFrame", the pen dialog in
// Japanese, the default static magnification is automatic.
TEST_F(TrustedWindowTest, WindowsCarryTheProgramsOwnTitles) {
    platform::SetMessageHandler(nullptr);
    QString title;
    QTimer::singleShot(0, [&title] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            box->accept();
        }
    });
    platform::ShowMessage(frame, QStringLiteral("確認"));
    EXPECT_EQ(title, QStringLiteral("ImpactFrame"));

    results::PenDialog pen;
    EXPECT_EQ(pen.windowTitle(), QStringLiteral("表示条件設定"));
}

}  // namespace
}  // namespace shelltest
