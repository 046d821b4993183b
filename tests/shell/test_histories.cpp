// Load histories in the GUI: the dialog adds, changes, renames and deletes named
// histories and refuses unusable ones in Japanese before the model changes; the node sheet
// gives a "pf" load its history; the view names it at the arrow; the file keeps it all.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include "model/datafile.h"
#include "shell/historydialog.h"
#include "shell/nodesheet.h"
#include "shell/structurefiles.h"
#include "shell_fixture.h"
#include "view3d/sceneview.h"

namespace shelltest {
namespace {

// A fixed-free rod along x, loaded axially at its free end.
fem::Model LoadedRod() {
    fem::Model m;
    fem::NodeRecord fixed = fem::DefaultNode();
    for (auto& c : fixed.BcCode) c = "u";
    m.AddNode(fixed);
    fem::NodeRecord tip = fem::DefaultNode();
    tip.Coord = {1000.0, 0.0, 0.0};
    for (int j = 1; j < 6; ++j) tip.BcCode[j] = "u";
    tip.BcCode[0] = "pf";
    tip.LoadValue[0] = 100.0;
    m.AddNode(tip);
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {0, 1};
    m.AddElement(e);
    return m;
}

class HistoriesTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        Doc().Replace(LoadedRod(), {});
    }
    shell::HistoriesDialog* Dialog() { return panel->historiesDialog(); }
    template <class T>
    static T* In(QWidget* window, const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    static void Type(QLineEdit* box, const QString& text) {
        box->selectAll();
        box->insert(text);
    }
    // Kind by its position in the list: step, rectangle, half-sine, triangle, table.
    void Kind(int index) { Choose(In<QComboBox>(Dialog(), "historyKindCombo"), index); }
    void Points(const QString& text) {
        In<QPlainTextEdit>(Dialog(), "historyPointsEdit")->setPlainText(text);
    }
    void Click(const char* name) { In<QPushButton>(Dialog(), name)->click(); }
    QString Fault() { return In<QLabel>(Dialog(), "historyFaultLabel")->text(); }

    QTemporaryDir dir;
};

TEST_F(HistoriesTest, DialogAddsUsableHistoriesAndRefusesOthersBeforeTheModelChanges) {
    QString negativeFault;
    QString disorderFault;
    bool plotted = false;
    Answer(
        Dialog(),
        [&] {
            Type(In<QLineEdit>(Dialog(), "nameEdit"), QStringLiteral("衝撃"));
            Kind(2);
            Type(In<QLineEdit>(Dialog(), "historyValueEdit"), QStringLiteral("-1"));
            negativeFault = Fault();
            Click("addButton");  // refused
            Type(In<QLineEdit>(Dialog(), "historyValueEdit"), QStringLiteral("0.002"));
            Click("addButton");

            Type(In<QLineEdit>(Dialog(), "nameEdit"), QStringLiteral("record"));
            Kind(4);
            // Values whose range overflows are plotted without a curve, not with one at
            // infinity.
            Points(QStringLiteral("0 1e308\n1 -1e308"));
            plotted = !Dialog()->Plot()->grab().isNull();
            Points(QStringLiteral("0 0\n0.002 1\n0.001 0"));
            disorderFault = Fault();
            Click("addButton");  // refused
            Points(QStringLiteral("0 0\n0.001, 1\n\n0.003\t1\n0.004 -0.5"));
            Click("addButton");
        },
        "closeButton");
    Dialog()->Edit();

    EXPECT_FALSE(negativeFault.isEmpty());
    EXPECT_TRUE(plotted);
    EXPECT_TRUE(disorderFault.contains(QStringLiteral("3 行目"))) << disorderFault.toStdString();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("荷重履歴「衝撃」を追加できません")));
    EXPECT_TRUE(messages[1].startsWith(QStringLiteral("荷重履歴「record」を追加できません")));

    const auto& h = Model().Histories();
    ASSERT_EQ(h.size(), 2u);
    EXPECT_EQ(h.at("衝撃").Kind, fem::HistoryKind::HalfSine);
    EXPECT_EQ(h.at("衝撃").Duration, 0.002);
    EXPECT_EQ(h.at("record").Kind, fem::HistoryKind::Table);
    const std::vector<std::array<double, 2>> points{
        {0.0, 0.0}, {0.001, 1.0}, {0.003, 1.0}, {0.004, -0.5}};
    EXPECT_EQ(h.at("record").Points, points);
}

TEST_F(HistoriesTest, PointsAreTwoNumbersALineWithADotWhateverTheLocale) {
    EXPECT_FALSE(shell::ParsePoints(QStringLiteral("0 1 2")));
    EXPECT_FALSE(shell::ParsePoints(QStringLiteral("0,5 1")));  // three fields
    EXPECT_FALSE(shell::ParsePoints(QStringLiteral("0 x")));
    const auto read = shell::ParsePoints(QStringLiteral(" 1e-3  2.5 \n"));
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, (std::vector<std::array<double, 2>>{{0.001, 2.5}}));
    EXPECT_EQ(*shell::ParsePoints(shell::PointsText(*read)), *read);
}

TEST_F(HistoriesTest, NodeSheetAssignsAHistoryTheViewNamesItAndTheFileKeepsIt) {
    fem::LoadHistory pulse;
    pulse.Kind = fem::HistoryKind::Triangle;
    pulse.Duration = 0.004;
    Model().PutHistory("tri", pulse);

    shell::NodeSheet* sheet = panel->nodeSheet();
    bool shownForPfOnly = false;
    Answer(
        sheet,
        [&] {
            shownForPfOnly = In<QComboBox>(sheet, "historyCombo0")->isVisibleTo(sheet) &&
                             !In<QComboBox>(sheet, "historyCombo1")->isVisibleTo(sheet);
            auto* list = In<QComboBox>(sheet, "historyCombo0");
            Choose(list, list->findText(QStringLiteral("tri")));
        },
        "confirmButton");
    sheet->Edit(1);
    ASSERT_TRUE(messages.empty()) << messages[0].toStdString();
    EXPECT_TRUE(shownForPfOnly);
    EXPECT_EQ(Model().Nodes[1].History[0], "tri");

    panel->DrawStructure();
    int named = 0;
    for (const view3d::DrawItem& item : frame->Scene().DisplayList())
        if (item.Text == "tri") ++named;
    EXPECT_EQ(named, 1);

    // A history in use is not deleted; a rename reaches the node.
    Answer(
        Dialog(),
        [&] {
            Click("deleteButton");
            Type(In<QLineEdit>(Dialog(), "nameEdit"), QStringLiteral("三角"));
            Click("renameButton");
        },
        "closeButton");
    Dialog()->Edit("tri");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("節点 1 がこの荷重履歴を使っています")));
    EXPECT_EQ(Model().Nodes[1].History[0], "三角");

    EXPECT_EQ(fem::DataFileVersionOf(Model()), 2);
    const QString path = dir.filePath(QStringLiteral("histories.json"));
    ASSERT_EQ(shell::WriteStructureFile(Doc(), path), QString());
    fem::Model read;
    ASSERT_TRUE(fem::StructDataReadFile(read, path.toStdString(), nullptr));
    EXPECT_EQ(read.Histories(), Model().Histories());
    EXPECT_EQ(read.Nodes[1].History[0], "三角");

    // Back to the step of the run.
    Answer(
        sheet, [&] { Choose(In<QComboBox>(sheet, "historyCombo0"), 0); }, "confirmButton");
    sheet->Edit(1);
    EXPECT_EQ(Model().Nodes[1].History[0], "");
}

}  // namespace
}  // namespace shelltest
