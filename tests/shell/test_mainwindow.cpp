// The main window and the analysis panel: defaults, menus, parameter handling,
// structure files and the list and label handlers.
#include <algorithm>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>

#include "model/datafile.h"
#include "platform/picturebox.h"
#include "services/fileservice.h"
#include "services/keypad.h"
#include "shell/elementsheet.h"
#include "shell_fixture.h"
#include "tests/comma_locale.h"
#include "view3d/sceneview.h"

namespace shelltest {
namespace {

TEST_F(ShellTest, StartUpShowsTheMainWindowAndThePanelWithTheirDefaults) {
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("無題[*] - 三次元衝撃骨組み構造解析"));
    EXPECT_FALSE(frame->isWindowModified());
    // 90 % of the working area's width and 85 % of its height, taller where the analysis
    // panel needs it up to the area less 40 px for a title bar, centred across it and
    // nearer its top, frame and all inside it.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(frame->width(), 0.9 * screen.width(), 1.0);
    EXPECT_GE(frame->height(), 0.85 * screen.height() - 1.0);
    EXPECT_LE(frame->height(), std::max(0.85 * screen.height(), screen.height() - 40.0));
    EXPECT_NEAR(frame->x() - screen.x(), (screen.width() - frame->width()) / 2, 1.0);
    EXPECT_NEAR(frame->y() - screen.y(), (screen.height() - frame->height()) / 4, 1.0);
    EXPECT_TRUE(screen.contains(frame->frameGeometry()));

    EXPECT_EQ(Model().NodeCount(), 0);
    EXPECT_EQ(Model().ElementCount(), 0);
    EXPECT_EQ(Get<QComboBox>("nwCombo")->currentText(), "512");
    EXPECT_EQ(Get<QComboBox>("nwCombo")->count(), 6);
    EXPECT_EQ(Get<QLineEdit>("teEdit")->text(), "0.001");
    EXPECT_EQ(Get<QLineEdit>("gammaTeEdit")->text(), "5");
    EXPECT_EQ(Get<QLineEdit>("tauEdit")->text(), "0");
    EXPECT_EQ(Get<QLineEdit>("magnificationEdit")->text(), "");  // automatic
    EXPECT_TRUE(Get<QCheckBox>("drawAtOnceCheck")->isChecked());
    EXPECT_FALSE(Get<QCheckBox>("globalComponentsCheck")->isChecked());
    EXPECT_TRUE(Get<QRadioButton>("detailedDeformationButton")->isChecked());
    EXPECT_EQ(Get<QLabel>("analysisProgress")->text(), " 0 ");
    EXPECT_EQ(Get<QLabel>("forceProgress")->text(), " 0 ");
    EXPECT_EQ(Get<QLabel>("elementNodesLabel")->text(), "  -  ");
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), QStringLiteral("(ファイル名)"));
    EXPECT_EQ(panel->DeformationMode(), 0);
    EXPECT_EQ(Get<QLineEdit>("gammaTeEdit")->toolTip(),
              QStringLiteral("数値変換のγ値を設定します（１～８ぐらいが適当？）"));
    EXPECT_EQ(Get<QPushButton>("stopButton")->text(), QStringLiteral("中止"));
}

TEST_F(ShellTest, MenuTreeHasEveryItemWithItsCaption) {
    const std::vector<std::pair<const char*, const char*>> items = {
        {"readStructureAction", "構造データ読込(&O)"},
        {"writeStructureAction", "構造データ書込(&A)"},
        {"overwriteStructureAction", "構造データ上書(&S)"},
        {"exitAction", "終了(&X)"},
        {"dynamicAnalysisAction", "動的ＦＥＭ解析(&D)"},
        {"staticAnalysisAction", "静的解析のみ"},
        {"nodalForcesAction", "要素節点力解析(&E)"},
        {"naturalFrequenciesAction", "固有振動数(&N)"},
        {"drawStructureAction", "構造表示"},
        {"drawDeformedStructureAction", "変形表示"},
        {"detailedDeformationAction", "詳細変形表示"},
        {"simpleDeformationAction", "簡易変形表示"},
        {"resetViewAction", "３Ｄ初期化"},
        {"sample1Action", "Sample1"},
        {"sample4Action", "Sample4"},
        {"materialsAction", "材料(&M)..."},
        {"sectionsAction", "断面(&E)..."},
        {"tileWindowsAction", "並べて表示(&T)"},
        {"cascadeWindowsAction", "重ねて表示(&C)"}};
    for (const auto& [name, caption] : items) {
        QAction* a = frame->Action(QLatin1String(name));
        ASSERT_NE(a, nullptr) << name;
        EXPECT_EQ(a->text(), QString::fromUtf8(caption)) << name;
    }
    for (const char* hidden : {"staticAnalysisAction", "drawDeformedStructureAction"}) {
        EXPECT_FALSE(frame->Action(QLatin1String(hidden))->isVisible()) << hidden;
        EXPECT_FALSE(frame->Action(QLatin1String(hidden))->isEnabled()) << hidden;
    }
    EXPECT_TRUE(frame->Action("fileMenuSeparator")->isSeparator());
    EXPECT_TRUE(frame->Action("displayMenuSeparator")->isSeparator());
    // The examples sit inside the options menu.
    QMenu* samples = frame->findChild<QMenu*>("samplesMenu");
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples->title(), QStringLiteral("例題"));
    EXPECT_TRUE(frame->findChild<QMenu*>("optionsMenu")->actions().contains(samples->menuAction()));
    QStringList roots;
    for (QAction* a : frame->menuBar()->actions()) roots << a->text();
    // Each opens with Alt and its letter.
    EXPECT_EQ(roots, QStringList({"ファイル(&F)", "構造(&S)", "計算(&C)", "表示(&V)",
                                  "オプション(&O)", "ウィンドウ(&W)", "ヘルプ(&H)"}));
}

TEST_F(ShellTest, AboutShowsTheVersionOfTheBuild) {
    frame->Action("aboutAction")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("ImpactFrame " IMPACTFRAME_VERSION)))
        << messages[0].toStdString();
}

TEST_F(ShellTest, SampleCommandsBuildTheSamplesAndSetTheirParameters) {
    const struct {
        const char* command;
        int nodes, elements;
        const char* te;
        const char* amp;
    } cases[] = {{"sample1Action", 3, 2, "0.0004", ""},
                 {"sample2Action", 3, 2, "0.01", ""},
                 {"sample3Action", 5, 4, "0.005", ""},
                 {"sample4Action", 8, 12, "0.005", ""}};
    Get<QLineEdit>("gammaTeEdit")->setText("3");
    for (const auto& c : cases) {
        frame->Action(QLatin1String(c.command))->trigger();
        EXPECT_EQ(Model().NodeCount(), c.nodes) << c.command;
        EXPECT_EQ(Model().ElementCount(), c.elements) << c.command;
        EXPECT_EQ(Get<QLineEdit>("teEdit")->text(), QLatin1String(c.te)) << c.command;
        EXPECT_EQ(Get<QLineEdit>("magnificationEdit")->text(), QLatin1String(c.amp)) << c.command;
        EXPECT_EQ(Get<QComboBox>("nodeCombo")->count(), c.nodes) << c.command;
        EXPECT_EQ(Get<QComboBox>("elementCombo")->count(), c.elements) << c.command;
        EXPECT_TRUE(Get<QPushButton>("runAnalysisButton")->isEnabled());
        EXPECT_FALSE(Get<QPushButton>("computeForcesButton")->isEnabled());
    }
    EXPECT_EQ(Get<QLineEdit>("gammaTeEdit")->text(), "3");  // the other parameters stay
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShellTest, TauIsValidatedOnEnter) {
    QLineEdit* delay = Get<QLineEdit>("tauEdit");
    const struct {
        const char* typed;
        const char* shown;
        double tau;
    } cases[] = {{"abc", "0", 0.0},
                 {"-0.5", "0.1", 0.1},
                 {"0.05", "0.05", 0.05},
                 {"0.2", "0.1", 0.1},
                 {"0.1", "0.1", 0.1}};
    for (const auto& c : cases) {
        delay->setText(QLatin1String(c.typed));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
        QApplication::sendEvent(delay, &press);
        EXPECT_EQ(delay->text(), QLatin1String(c.shown)) << c.typed;
        ASSERT_TRUE(panel->FormSettings().has_value()) << c.typed;
        EXPECT_DOUBLE_EQ(panel->FormSettings()->Tau, c.tau) << c.typed;
    }
    // Other keys do not validate.
    delay->setText("7");
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QApplication::sendEvent(delay, &other);
    EXPECT_EQ(delay->text(), "7a");
}

TEST_F(ShellTest, AddElementNeedsTwoNodes) {
    Model().AddNode(fem::DefaultNode());
    bool opened = false;
    shell::ElementSheet* sheet = panel->elementSheet();
    QTimer::singleShot(0, sheet, [&] {
        if (sheet->isVisible()) {
            opened = true;
            sheet->hide();
        }
    });
    Get<QPushButton>("addElementButton")->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(opened);
    EXPECT_EQ(Model().ElementCount(), 0);
    EXPECT_FALSE(Get<QPushButton>("runAnalysisButton")->isEnabled());

    // With a second node the sheet opens, and an added element enables the solve button.
    fem::NodeRecord n = fem::DefaultNode();
    n.Coord = {0, 0, 50};
    Model().AddNode(n);
    Answer(sheet, nullptr, "confirmButton");
    Get<QPushButton>("addElementButton")->click();
    EXPECT_EQ(Model().ElementCount(), 1);
    EXPECT_TRUE(Get<QPushButton>("runAnalysisButton")->isEnabled());
}

TEST_F(ShellTest, ParametersThatAreNotNumbersStopTheAnalysis) {
    frame->Action("sample1Action")->trigger();
    for (const char* box : {"teEdit", "gammaTeEdit", "tauEdit"}) {
        messages.clear();
        QLineEdit* edit = Get<QLineEdit>(QLatin1String(box));
        const QString kept = edit->text();
        edit->setText("1,5");
        Analyse();
        ASSERT_EQ(messages.size(), 1u) << box;
        EXPECT_EQ(messages[0], QStringLiteral("γ，Te，荷重立上りの設定値を確認して下さい。"));
        EXPECT_FALSE(panel->FormSettings().has_value()) << box;
        EXPECT_EQ(Doc().Statics(), nullptr) << box;
        EXPECT_EQ(Doc().Impact(), nullptr) << box;
        EXPECT_EQ(Doc().AnalysedRevision(), 0u) << box;
        EXPECT_EQ(Get<QComboBox>("forceElementCombo")->count(), 0);
        edit->setText(kept);
    }
}

// File and colour dialogs answered by the test.
class ScriptedDialogs : public services::FileServiceDialogs {
  public:
    QString OpenFile(QWidget*, const services::FileDialogRequest& request, int* filter) override {
        ++opens;
        filters << request.filter;
        if (filter) *filter = 0;
        return openAnswer;
    }
    QString SaveFile(QWidget*, const services::FileDialogRequest& request, int* filter) override {
        ++saves;
        filters << request.filter;
        confirmOverwrite = request.confirmOverwrite;
        proposed = request.proposedName;
        startEntry = request.filterIndex;
        if (filter) *filter = filterAnswer >= 0 ? filterAnswer : request.filterIndex;
        return saveAnswer;
    }
    QColor GetColor(QWidget*, const QColor&) override { return colour; }
    bool GetFont(QWidget*, QFont&, QColor&, bool) override { return false; }
    bool PrinterSetup(QWidget*, QPrinter&) override { return false; }

    QString openAnswer, saveAnswer;
    QColor colour;  // invalid: cancelled
    int opens = 0, saves = 0;
    bool confirmOverwrite = false;
    QStringList filters;  // of every file dialog, in order
    // The save dialog: the name proposed, the entry it started on and the one the user
    // leaves it on (-1: the entry it started on).
    QString proposed;
    int startEntry = -1;
    int filterAnswer = -1;
};

class FileTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        services::ProgramFileService().SetDialogs(&dialogs);
    }
    void TearDown() override {
        services::ProgramFileService().SetDialogs(nullptr);
        ShellTest::TearDown();
    }
    QString ReadBack(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
    ScriptedDialogs dialogs;
    QString PathOf(const char* name) const { return dir.filePath(QLatin1String(name)); }
    void WriteText(const QString& path, const char* text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QTemporaryDir dir;
};

TEST_F(FileTest, ReadingAFileReplacesTheStructureAndShowsItsName) {
    WriteText(PathOf("frame1.txt"),
              "2,1\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
              "1,0,0,250\r\nPF,2\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n"
              "0,0,1\r\n21000,8000,7.86E-06,10\r\n");
    ASSERT_TRUE(panel->OpenStructureFile(PathOf("frame1.txt")));
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), "frame1");
    EXPECT_EQ(panel->CurrentFile(), PathOf("frame1.txt"));
    EXPECT_EQ(Model().NodeCount(), 2);
    EXPECT_EQ(Model().GetNode(1).BcCode[0], "pf");
    EXPECT_DOUBLE_EQ(Model().GetElement(0).Length, 250.0);
    EXPECT_EQ(Get<QComboBox>("nodeCombo")->count(), 2);
    EXPECT_TRUE(Get<QPushButton>("runAnalysisButton")->isEnabled());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FileTest, AFileThatCannotBeReadLeavesEverythingAsItWas) {
    frame->Action("sample4Action")->trigger();
    WriteText(PathOf("good.txt"), "0,0\r\n");
    ASSERT_TRUE(panel->OpenStructureFile(PathOf("good.txt")));
    frame->Action("sample4Action")->trigger();
    // Element 0 names node 5 of a two-node structure.
    WriteText(PathOf("bad.txt"),
              "2,1\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
              "1,100,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n0,0,5\r\n"
              "21000,8000,7.86E-06,10\r\n");
    EXPECT_FALSE(panel->OpenStructureFile(PathOf("bad.txt")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains("bad.txt")) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(QStringLiteral("16 行目：要素 0 の第２節点")))
        << messages[0].toStdString();
    EXPECT_EQ(Model().NodeCount(), 8);
    EXPECT_EQ(Model().ElementCount(), 12);
    EXPECT_EQ(Get<QComboBox>("nodeCombo")->count(), 8);
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), QStringLiteral("(ファイル名)"));  // a sample's
    EXPECT_EQ(panel->CurrentFile(), QString());

    messages.clear();
    EXPECT_FALSE(panel->OpenStructureFile(PathOf("missing.txt")));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains("missing.txt"));
    EXPECT_EQ(Model().NodeCount(), 8);
}

TEST_F(FileTest, ReadCommandReadsTheChosenFileAndCancelLeavesTheModel) {
    WriteText(PathOf("bar.dat"),
              "2,1\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
              "1,0,50,0\r\npf,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n"
              "0,0,1\r\n21000,8000,7.86E-06,10\r\n");
    dialogs.openAnswer = PathOf("bar.dat");
    frame->Action("readStructureAction")->trigger();
    EXPECT_EQ(dialogs.opens, 1);
    EXPECT_EQ(Model().NodeCount(), 2);
    EXPECT_EQ(Model().GetNode(1).LoadValue[0], 1.0);  // a step load without a size
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), "bar");

    dialogs.openAnswer.clear();
    Get<QPushButton>("readDataButton")->click();
    EXPECT_EQ(dialogs.opens, 2);
    EXPECT_EQ(Model().NodeCount(), 2);
    EXPECT_EQ(panel->CurrentFile(), QString());
    EXPECT_TRUE(messages.empty());
}

TEST_F(FileTest, WriteAndOverwriteCommands) {
    frame->Action("sample2Action")->trigger();
    // Overwriting before any file was chosen asks for a name, as writing does.
    dialogs.saveAnswer = PathOf("cantilever.txt");
    frame->Action("overwriteStructureAction")->trigger();
    EXPECT_EQ(dialogs.saves, 1);
    EXPECT_TRUE(dialogs.confirmOverwrite);
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), "cantilever");
    const QString written = ReadBack(PathOf("cantilever.txt"));
    EXPECT_TRUE(written.startsWith("3,2\r\n0,0,0,0\r\nu,0\r\n")) << written.toStdString();
    EXPECT_TRUE(written.contains("2,100,0,0\r\np,0\r\npf,-1\r\n")) << written.toStdString();

    // With a current file, overwriting asks nothing.
    fem::NodeRecord n = fem::DefaultNode();
    n.Coord = {0, 0, 300};
    Model().AddNode(n);
    frame->Action("overwriteStructureAction")->trigger();
    EXPECT_EQ(dialogs.saves, 1);
    EXPECT_TRUE(ReadBack(PathOf("cantilever.txt")).contains("3,0,0,300\r\np,0\r\n"));

    // "データ保存" always asks; a cancelled dialog writes nothing.
    dialogs.saveAnswer.clear();
    Get<QPushButton>("saveDataButton")->click();
    EXPECT_EQ(dialogs.saves, 2);
    EXPECT_EQ(panel->CurrentFile(), PathOf("cantilever.txt"));
    EXPECT_TRUE(messages.empty());

    // Structure file dialogs offer both versions; reading offers them together first.
    frame->Action("readStructureAction")->trigger();
    const QString write =
        QStringLiteral("構造データ 版1 テキスト (*.txt);;構造データ 版2 JSON (*.json);;All (*)");
    const QString read = QStringLiteral("構造データ (*.txt *.json);;") + write;
    EXPECT_EQ(dialogs.filters, QStringList({write, write, read}));
}

// A structure that only version 2 can hold is never written as version 1: the dialog
// starts on JSON, and a ".txt" name (chosen, or the file read) is replaced by ".json"
// when the user agrees, else nothing is written.
TEST_F(FileTest, AStructureThatNeedsVersion2IsOnlyWrittenAsJson) {
    const char* const text =
        "2,1\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
        "1,0,0,250\r\npf,2\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n"
        "0,0,1\r\n21000,8000,7.86E-06,10\r\n";
    WriteText(PathOf("frame.txt"), text);
    ASSERT_TRUE(panel->OpenStructureFile(PathOf("frame.txt")));
    fem::Section flat;
    flat.Shape = fem::SectionShape::Rectangle;
    flat.Width = 50;
    flat.Height = 9;
    Model().PutSection("flat", flat);

    answerYes = false;
    frame->Action("overwriteStructureAction")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(
        messages[0].contains(QStringLiteral("版1（テキスト）の「frame.txt」には保存できません")))
        << messages[0].toStdString();
    EXPECT_TRUE(
        messages[0].contains(QStringLiteral("版2（JSON）で「frame.json」に保存しますか？")));
    EXPECT_EQ(ReadBack(PathOf("frame.txt")), QLatin1String(text));
    EXPECT_FALSE(QFileInfo::exists(PathOf("frame.json")));
    EXPECT_EQ(panel->CurrentFile(), PathOf("frame.txt"));

    answerYes = true;
    frame->Action("overwriteStructureAction")->trigger();
    EXPECT_EQ(dialogs.saves, 0);
    EXPECT_EQ(ReadBack(PathOf("frame.txt")), QLatin1String(text));
    EXPECT_EQ(panel->CurrentFile(), PathOf("frame.json"));
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), "frame");
    fem::Model read;
    ASSERT_TRUE(fem::StructDataReadFile(read, PathOf("frame.json").toStdString()));
    EXPECT_TRUE(fem::SameSection(read.Sections().at("flat"), flat));

    // "構造データ保存" proposes the JSON name on the JSON entry; a name typed without
    // extension takes ".json"; a ".txt" name chosen anyway is asked about again.
    messages.clear();
    dialogs.saveAnswer = PathOf("copy");
    frame->Action("writeStructureAction")->trigger();
    EXPECT_EQ(dialogs.proposed, "frame.json");
    EXPECT_EQ(dialogs.startEntry, 1);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(panel->CurrentFile(), PathOf("copy.json"));
    dialogs.saveAnswer = PathOf("copy.txt");
    dialogs.filterAnswer = 0;
    answerYes = false;
    frame->Action("writeStructureAction")->trigger();
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(QFileInfo::exists(PathOf("copy.txt")));
    EXPECT_EQ(panel->CurrentFile(), PathOf("copy.json"));
}

// A structure of round bars is written as version 1 to a ".txt" file, as before, and as
// JSON when the user chooses a ".json" name; both read back as the same structure.
TEST_F(FileTest, AVersion1StructureIsWrittenAsJsonWhenTheUserAsks) {
    frame->Action("sample2Action")->trigger();
    dialogs.saveAnswer = PathOf("bars.json");
    frame->Action("writeStructureAction")->trigger();
    EXPECT_EQ(dialogs.startEntry, 0);
    EXPECT_EQ(dialogs.proposed, QString());
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(ReadBack(PathOf("bars.json")).startsWith("{"))
        << ReadBack(PathOf("bars.json")).toStdString();
    // Saving again proposes the JSON name the structure now has.
    dialogs.saveAnswer = PathOf("bars");
    frame->Action("writeStructureAction")->trigger();
    EXPECT_EQ(dialogs.proposed, "bars.json");
    EXPECT_EQ(dialogs.startEntry, 1);
    EXPECT_EQ(panel->CurrentFile(), PathOf("bars.json"));
    dialogs.saveAnswer = PathOf("bars.txt");
    dialogs.filterAnswer = 0;
    frame->Action("writeStructureAction")->trigger();
    EXPECT_TRUE(ReadBack(PathOf("bars.txt")).startsWith("3,2\r\n"));
    fem::Model fromJson, fromText;
    ASSERT_TRUE(fem::StructDataReadFile(fromJson, PathOf("bars.json").toStdString()));
    ASSERT_TRUE(fem::StructDataReadFile(fromText, PathOf("bars.txt").toStdString()));
    EXPECT_EQ(fem::StructDataText(fromJson), fem::StructDataText(fromText));
    EXPECT_EQ(fem::StructDataText(fromText), fem::StructDataText(Model()));
}

TEST_F(FileTest, AFileThatCannotBeWrittenIsReportedAndTheOldFileKept) {
    frame->Action("sample1Action")->trigger();
    dialogs.saveAnswer = PathOf("no-such-folder/frame.txt");
    frame->Action("writeStructureAction")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("構造データを書き込めません。")));
    EXPECT_TRUE(messages[0].contains("no-such-folder/frame.txt")) << messages[0].toStdString();

    // A target that cannot be replaced (here a folder of that name) stays as it was.
    ASSERT_TRUE(QDir(dir.path()).mkdir("taken.txt"));
    messages.clear();
    dialogs.saveAnswer = PathOf("taken.txt");
    frame->Action("writeStructureAction")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(QFileInfo(PathOf("taken.txt")).isDir());
}

TEST_F(FileTest, AFailedSaveKeepsTheCurrentFileAndASampleHasNone) {
    const char* const text =
        "2,1\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n"
        "1,100,0,0\r\npf,1\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\n"
        "0,0,1\r\n21000,8000,7.86E-06,10\r\n";
    WriteText(PathOf("mine.txt"), text);
    ASSERT_TRUE(panel->OpenStructureFile(PathOf("mine.txt")));
    dialogs.saveAnswer = PathOf("no-such-folder/other.txt");
    frame->Action("writeStructureAction")->trigger();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(panel->CurrentFile(), PathOf("mine.txt"));
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), "mine");

    // After a sample, "構造データ上書" asks for a name and leaves the file read before.
    frame->Action("sample1Action")->trigger();
    EXPECT_EQ(panel->CurrentFile(), QString());
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), QStringLiteral("(ファイル名)"));
    const int asked = dialogs.saves;
    dialogs.saveAnswer = PathOf("sample.txt");
    frame->Action("overwriteStructureAction")->trigger();
    EXPECT_EQ(dialogs.saves, asked + 1);
    EXPECT_EQ(ReadBack(PathOf("mine.txt")), QLatin1String(text));
    EXPECT_TRUE(ReadBack(PathOf("sample.txt")).startsWith("3,2\r\n"));
    EXPECT_EQ(Get<QLabel>("fileNameLabel")->text(), "sample");
}

// Numbers keep the point under a locale whose decimal mark is a comma, as the program
// takes the C library's locale from a German desktop.
TEST_F(FileTest, UnderADecimalCommaLocaleFilesBoxesAndReadoutsKeepThePoint) {
    CommaLocale comma;
    if (!comma.Active()) GTEST_SKIP() << CommaLocale::kMissing;
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    struct Restore {
        QLocale locale;
        ~Restore() { QLocale::setDefault(locale); }
    } restore{before};

    const char* const text =
        "2,1\r\n0,0,0,0\r\nu,0\r\nu,0\r\nu,0.25\r\nu,0\r\nu,0\r\nu,0\r\n"
        "1,12.5,-0.001,1E+20\r\npf,-1.5\r\np,7.86E-06\r\np,0\r\np,0\r\np,0\r\np,0\r\n"
        "0,0,1\r\n21000.5,8000,7.86E-06,10\r\n";
    WriteText(PathOf("in.txt"), text);
    ASSERT_TRUE(panel->OpenStructureFile(PathOf("in.txt")));
    EXPECT_EQ(Model().GetNode(1).Coord[0], 12.5);
    EXPECT_EQ(Model().GetElement(0).Young, 21000.5);
    dialogs.saveAnswer = PathOf("out.txt");
    frame->Action("writeStructureAction")->trigger();
    EXPECT_EQ(ReadBack(PathOf("out.txt")), QLatin1String(text));
    ASSERT_TRUE(panel->OpenStructureFile(PathOf("out.txt")));
    EXPECT_EQ(Model().GetNode(0).FixedDisp[2], 0.25);
    EXPECT_EQ(Model().GetNode(1).LoadValue[0], -1.5);

    // Boxes: written and read with the point.
    frame->Action("sample1Action")->trigger();
    EXPECT_EQ(Get<QLineEdit>("teEdit")->text(), "0.0004");
    QLineEdit* delay = Get<QLineEdit>("tauEdit");
    delay->setText("0.05");
    emit delay->returnPressed();
    EXPECT_EQ(delay->text(), "0.05");
    EXPECT_EQ(panel->FormSettings()->Tau, 0.05);
    Get<QLineEdit>("teEdit")->setText("0.001");
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    Analyse();
    ASSERT_NE(Doc().Impact(), nullptr);
    EXPECT_EQ(Doc().Impact()->Settings().Te, 0.001);
    EXPECT_EQ(Doc().Impact()->Settings().Tau, 0.05);
    // The coordinate readout of the small picture.
    emit panel->SmallPicture()->MouseMoved(1.5, -0.25, Qt::NoButton);
    EXPECT_EQ(Get<QLabel>("positionLabel")->text(), "X=1.5\nY=-0.25");
    EXPECT_TRUE(messages.empty());
}

TEST_F(FileTest, RightClickOnTheBackgroundChangesItsColourUnlessCancelled) {
    QWidget* background = frame->mdiArea()->viewport();
    const QBrush before = frame->mdiArea()->background();
    const auto rightClick = [&] {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5),
                            Qt::RightButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(background, &release);
    };
    rightClick();  // cancelled
    EXPECT_EQ(frame->mdiArea()->background(), before);
    dialogs.colour = QColor(10, 20, 30);
    rightClick();
    EXPECT_EQ(frame->mdiArea()->background().color(), QColor(10, 20, 30));
}

TEST_F(ShellTest, DoubleClickOnAParameterBoxEditsItOnTheKeypad) {
    QLineEdit* te = Get<QLineEdit>("teEdit");
    QString seenOnOpen;
    QTimer::singleShot(0, panel, [&] {
        auto* keypad = qobject_cast<services::Keypad*>(QApplication::activeModalWidget());
        if (!keypad) {  // checked below; whatever opened instead is closed
            if (QWidget* other = QApplication::activeModalWidget()) other->close();
            return;
        }
        seenOnOpen = keypad->EditText();
        for (const char* key : {"0", ".", "0", "2", "Enter"}) keypad->PressKey(QLatin1String(key));
    });
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(te, &dbl);
    EXPECT_EQ(seenOnOpen, "0.001");
    EXPECT_EQ(te->text(), "0.02");  // the whole text was selected, so typing replaced it
}

}  // namespace
}  // namespace shelltest

namespace shelltest {
namespace {

TEST_F(ShellTest, DisplayCommandsDrawIntoTheViewAndResetBringsBackTheDefaultView) {
    EXPECT_FALSE(frame->ViewWindow()->isVisible());  // created hidden
    frame->Action("sample4Action")->trigger();
    EXPECT_TRUE(frame->ViewWindow()->isVisible());
    view3d::SceneView* view = &frame->Scene();
    const int structure = view->ItemCount();
    EXPECT_GT(structure, 12 + 8);  // at least every element line and node circle

    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    frame->Action("dynamicAnalysisAction")->trigger();
    Settle();
    // After the analysis the detailed deformation follows the structure: per element
    // one starting dot and 20 segments.
    EXPECT_EQ(view->ItemCount(), structure + 12 * 21);
    frame->Action("drawStructureAction")->trigger();
    EXPECT_EQ(view->ItemCount(), structure);
    frame->Action("simpleDeformationAction")->trigger();
    EXPECT_EQ(view->ItemCount(), structure + 12);
    frame->Action("detailedDeformationAction")->trigger();
    EXPECT_EQ(view->ItemCount(), structure + 12 + 12 * 21);
    // "静的変形無": redrawing draws the structure only.
    Get<QRadioButton>("noDeformationButton")->click();
    Get<QPushButton>("redrawButton")->click();
    EXPECT_EQ(view->ItemCount(), structure);
    // A magnification that is not a number skips the deformation without a message.
    Get<QLineEdit>("magnificationEdit")->setText("x");
    frame->Action("detailedDeformationAction")->trigger();
    EXPECT_EQ(view->ItemCount(), structure);
    EXPECT_TRUE(messages.empty());

    view->SetAngleSlider(0, 60);
    view->SetAngleSlider(2, 45);
    QPointer<QWidget> old = frame->ViewWindow();
    frame->Action("resetViewAction")->trigger();
    EXPECT_TRUE(old.isNull());  // discarded with its settings
    EXPECT_TRUE(frame->ViewWindow()->isVisible());
    view = &frame->Scene();
    EXPECT_EQ(view->AngleSlider(0), 10);
    EXPECT_EQ(view->AngleSlider(1), -20);
    EXPECT_EQ(view->AngleSlider(2), 0);
    EXPECT_EQ(view->ItemCount(), structure);
}

}  // namespace
}  // namespace shelltest
