// The node and element sheets: what they show, what they store, what they refuse.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

#include "shell/document.h"
#include "shell/droppedweightdialog.h"
#include "shell/elementsheet.h"
#include "shell/nodesheet.h"
#include "shell/structurefiles.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

fem::NodeRecord MakeNode(double x, double y, double z, const char* code = "p") {
    fem::NodeRecord n = fem::DefaultNode();
    n.Coord = {x, y, z};
    for (auto& c : n.BcCode) c = code;
    return n;
}

// The document's model after it was written to a version 2 file and read back.
fem::Model SheetModelSavedAndRead(shell::Document& doc) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.json"));
    EXPECT_EQ(shell::WriteStructureFile(doc, path), QString());
    shell::Document back;
    EXPECT_EQ(shell::ReadStructureFile(back, path), QString());
    return back.Model();
}

void AddBar(fem::Model& m, int a, int b) {
    fem::ElementRecord e = fem::DefaultElement();
    e.EndNode = {a, b};
    m.AddElement(e);
}

// Three nodes on the x axis, 100 apart, joined by two bars.
void StraightBar(fem::Model& m) {
    m.AddNode(MakeNode(0, 0, 0, "u"));
    m.AddNode(MakeNode(100, 0, 0));
    m.AddNode(MakeNode(200, 0, 0));
    AddBar(m, 0, 1);
    AddBar(m, 1, 2);
}

class NodeSheetTest : public ShellTest {
  protected:
    shell::NodeSheet* Sheet() { return panel->nodeSheet(); }
    template <class T>
    T* On(const QString& name) {
        T* w = Sheet()->findChild<T*>(name);
        if (!w) ADD_FAILURE() << "no control " << name.toStdString();
        return w;
    }
    QLineEdit* Coordinate(int i) {
        return On<QLineEdit>(QStringLiteral("coordinateEdit%1").arg(i));
    }
    QLineEdit* StepLoad(int j) { return On<QLineEdit>(QStringLiteral("stepLoadEdit%1").arg(j)); }
    QComboBox* Constraint(int j) {
        return On<QComboBox>(QStringLiteral("constraintCombo%1").arg(j));
    }
};

TEST_F(NodeSheetTest, BoxesShowFifteenDigitsAndAnUneditedBoxKeepsEveryDigit) {
    fem::NodeRecord n = MakeNode(0.1 + 0.2, 1.0 / 3.0, -4e-300);
    n.BcCode[1] = "pf";
    n.LoadValue[1] = 2.0 / 3.0;
    Model().AddNode(n);
    QStringList shown;
    Answer(
        Sheet(),
        [&] {
            for (int i = 0; i < 3; ++i) shown << Coordinate(i)->text();
            shown << StepLoad(1)->text();
            Coordinate(1)->setText(" 0.001 ");
        },
        "confirmButton");
    Sheet()->Edit(0);
    EXPECT_EQ(shown, QStringList({"0.3", "0.333333333333333", "-4E-300", "0.666666666666667"}));
    const fem::NodeRecord now = Model().GetNode(0);
    EXPECT_EQ(now.Coord[0], 0.1 + 0.2);  // shown as 0.3, not read back as 0.3
    EXPECT_EQ(now.Coord[1], 0.001);      // the edited box
    EXPECT_EQ(now.Coord[2], -4e-300);
    EXPECT_EQ(now.LoadValue[1], 2.0 / 3.0);
    EXPECT_TRUE(messages.empty());
}

TEST_F(NodeSheetTest, ExistingNodeShowsItsCodesAndOnlyTheStepLoadBox) {
    fem::NodeRecord n = MakeNode(1, 2, 3);
    n.BcCode = {"u", "u", "u", "p", "p", "pf"};
    n.LoadValue[5] = 2.5;
    Model().AddNode(n);
    Model().AddNode(MakeNode(5, 0, 0));

    QStringList codes, visibleBoxes;
    QString title, x0, v5;
    bool label3 = false, deleteShown = false, checksShown = false;
    Answer(
        Sheet(),
        [&] {
            title = Sheet()->windowTitle();
            x0 = Coordinate(0)->text();
            for (int j = 0; j < 6; ++j) {
                codes << Constraint(j)->currentText();
                if (!StepLoad(j)->isHidden())
                    visibleBoxes << QStringLiteral("stepLoadEdit%1").arg(j);
            }
            v5 = StepLoad(5)->text();
            label3 = !On<QLabel>("stepLoadNote")->isHidden();
            deleteShown = !On<QPushButton>("deleteButton")->isHidden();
            checksShown = !On<QCheckBox>("translateAllCheck")->isHidden() &&
                          !On<QCheckBox>("applyToAllCheck")->isHidden();
        },
        "cancelButton");
    EXPECT_EQ(panel->nodeSheet()->Edit(0), -1);

    EXPECT_EQ(title, QStringLiteral("節点番号＝0"));
    EXPECT_EQ(x0, "1");
    EXPECT_EQ(codes, QStringList({"u", "u", "u", "p", "p", "pf"}));
    EXPECT_EQ(visibleBoxes, QStringList({"stepLoadEdit5"}));
    EXPECT_EQ(v5, "2.5");
    EXPECT_TRUE(label3);
    EXPECT_TRUE(deleteShown);
    EXPECT_TRUE(checksShown);
    EXPECT_EQ(Model().GetNode(0).BcCode[5], "pf");  // cancel changed nothing
    EXPECT_TRUE(messages.empty());
}

TEST_F(NodeSheetTest, NewNodeStartsFromTheTemplateAndIsAdded) {
    Model().AddNode(MakeNode(0, 0, 0));
    QString title, okCaption;
    QStringList codes;
    bool checksHidden = false, deleteHidden = false;
    Answer(
        Sheet(),
        [&] {
            title = Sheet()->windowTitle();
            okCaption = On<QPushButton>("confirmButton")->text();
            for (int j = 0; j < 6; ++j) codes << Constraint(j)->currentText();
            checksHidden = On<QCheckBox>("translateAllCheck")->isHidden() &&
                           On<QCheckBox>("applyToAllCheck")->isHidden();
            deleteHidden = On<QPushButton>("deleteButton")->isHidden();
            Coordinate(0)->setText("5");
            Coordinate(1)->setText(" 6 ");
            Coordinate(2)->setText("-7.5");
            Constraint(1)->setCurrentIndex(2);  // pf
            StepLoad(1)->setText("-3");
        },
        "confirmButton");
    EXPECT_EQ(Sheet()->Edit(-1), 1);

    EXPECT_EQ(title, QStringLiteral("節点(1)追加"));
    EXPECT_EQ(okCaption, QStringLiteral("追加"));
    EXPECT_EQ(codes, QStringList({"p", "p", "p", "p", "p", "p"}));
    EXPECT_TRUE(checksHidden);
    EXPECT_TRUE(deleteHidden);
    ASSERT_EQ(Model().NodeCount(), 2);
    const fem::NodeRecord n = Model().GetNode(1);
    EXPECT_EQ(n.Coord, (fem::Vec3{5, 6, -7.5}));
    EXPECT_EQ(n.BcCode[1], "pf");
    EXPECT_EQ(n.LoadValue[1], -3.0);
    EXPECT_EQ(n.LoadC[1].re, 0.0);
    // The node list follows the model.
    EXPECT_EQ(Get<QComboBox>("nodeCombo")->count(), 2);
}

TEST_F(NodeSheetTest, TranslationMovesEveryNodeByTheOffsets) {
    // Nodes 10 apart: moving them one after another by +10 would put node 0 onto
    // node 1 for a moment; the translation as a whole is still valid.
    fem::Model& m = Model();
    m.AddNode(MakeNode(0, 0, 0, "u"));
    m.AddNode(MakeNode(10, 0, 0));
    m.AddNode(MakeNode(20, 5, 0));
    AddBar(Model(), 0, 1);
    AddBar(Model(), 1, 2);

    bool constraintsHidden = false;
    Answer(
        Sheet(),
        [&] {
            On<QCheckBox>("translateAllCheck")->setChecked(true);
            constraintsHidden = On<QGroupBox>("constraintsGroup")->isHidden();
            Coordinate(0)->setText("10");
            Coordinate(1)->setText("0");
            Coordinate(2)->setText("0");
        },
        "confirmButton");
    Sheet()->Edit(1);

    EXPECT_TRUE(constraintsHidden);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(m.GetNode(0).Coord, (fem::Vec3{10, 0, 0}));
    EXPECT_EQ(m.GetNode(1).Coord, (fem::Vec3{20, 0, 0}));  // moved, not set to 10, 0, 0
    EXPECT_EQ(m.GetNode(2).Coord, (fem::Vec3{30, 5, 0}));
    EXPECT_EQ(m.GetNode(0).BcCode[0], "u");  // constraints untouched
    EXPECT_DOUBLE_EQ(m.GetElement(1).Length, std::sqrt(100.0 + 25.0));
}

TEST_F(NodeSheetTest, ApplyToAllGivesEveryNodeTheCodesAndKeepsPositions) {
    StraightBar(Model());
    bool coordsHidden = false;
    Answer(
        Sheet(),
        [&] {
            On<QCheckBox>("applyToAllCheck")->setChecked(true);
            coordsHidden = On<QGroupBox>("coordinatesGroup")->isHidden();
            for (int j = 0; j < 3; ++j) Constraint(j)->setCurrentIndex(1);  // u
            Constraint(4)->setCurrentIndex(2);                              // pf
            StepLoad(4)->setText("7");
        },
        "confirmButton");
    Sheet()->Edit(2);

    EXPECT_TRUE(coordsHidden);
    for (int k = 0; k < 3; ++k) {
        const fem::NodeRecord n = Model().GetNode(k);
        EXPECT_EQ(n.Coord[0], 100.0 * k);
        EXPECT_EQ(n.BcCode, (std::array<std::string, 6>{"u", "u", "u", "p", "pf", "p"}));
        EXPECT_EQ(n.LoadValue[4], 7.0);
    }
}

TEST_F(NodeSheetTest, UnsuitableInputIsRefusedAndChangesNothing) {
    StraightBar(Model());
    const auto tryInput = [&](std::function<void()> fill) {
        messages.clear();
        Answer(Sheet(), fill, "confirmButton");
        Sheet()->Edit(1);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], QStringLiteral("入力値が不適当です"));
        EXPECT_EQ(Model().GetNode(1).BcCode[2], "p");
        EXPECT_EQ(Model().GetNode(1).Coord[0], 100.0);
    };
    tryInput([&] {  // a step load of size 0
        Constraint(2)->setCurrentIndex(2);
        StepLoad(2)->setText("0");
    });
    tryInput([&] {  // a step load without a size
        Constraint(2)->setCurrentIndex(2);
        StepLoad(2)->setText("");
    });
    tryInput([&] { Coordinate(0)->setText("1x"); });
}

TEST_F(NodeSheetTest, TheLastNodeCannotBeDeletedOthersAreAfterYes) {
    Model().AddNode(MakeNode(0, 0, 0));
    bool deleteShown = true;
    Answer(
        Sheet(), [&] { deleteShown = !On<QPushButton>("deleteButton")->isHidden(); },
        "cancelButton");
    Sheet()->Edit(0);
    EXPECT_FALSE(deleteShown);

    Model().ClearModel();
    StraightBar(Model());
    answerYes = false;
    Answer(Sheet(), nullptr, "deleteButton");
    EXPECT_EQ(Sheet()->Edit(1), 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("節点番号 1 を削除します"));
    EXPECT_EQ(Model().NodeCount(), 3);

    answerYes = true;
    Answer(Sheet(), nullptr, "deleteButton");
    Sheet()->Edit(1);
    EXPECT_EQ(Model().NodeCount(), 2);
    EXPECT_EQ(Model().ElementCount(), 0);  // both bars used node 1
}

TEST_F(NodeSheetTest, ComplexValuesFollowTheValuesTheSheetSets) {
    // A node as a data file leaves it: a prescribed displacement and a static load
    // with their complex twins.
    fem::NodeRecord n = MakeNode(0, 0, 0);
    n.BcCode[0] = "u";
    n.FixedDisp[0] = 0.5;
    n.FixedDispC[0] = {0.5, 0.0};
    n.LoadValue[1] = 3.0;
    n.LoadC[1] = {3.0, 0.0};
    Model().AddNode(n);
    Model().AddNode(MakeNode(1, 0, 0));

    QString shownDisp;
    Answer(
        Sheet(), [&] { shownDisp = StepLoad(0)->text(); }, "confirmButton");
    Sheet()->Edit(0);

    EXPECT_EQ(shownDisp, "0.5");
    const fem::NodeRecord r = Model().GetNode(0);
    EXPECT_EQ(r.FixedDisp[0], 0.0);
    EXPECT_EQ(r.FixedDispC[0].re, 0.0);
    EXPECT_EQ(r.LoadValue[1], 0.0);
    EXPECT_EQ(r.LoadC[1].re, 0.0);
}

TEST_F(NodeSheetTest, ChangeThatMakesAnElementDegenerateIsRefused) {
    StraightBar(Model());
    Answer(
        Sheet(),
        [&] {
            Coordinate(0)->setText("0");  // onto node 0, which shares element 0
        },
        "confirmButton");
    Sheet()->Edit(1);

    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("節点を変更できません：要素 0 について、要素の両端の"
                                          "節点が同じ位置にあります（要素の長さが 0 です）"));
    EXPECT_EQ(Model().GetNode(1).Coord[0], 100.0);
    EXPECT_EQ(Model().GetElement(0).Length, 100.0);
}

TEST_F(NodeSheetTest, SpringsAndMassAreSetSavedAndNegativeOnesRefused) {
    StraightBar(Model());
    const auto confirm = [&](std::function<void()> fill) {
        Answer(Sheet(), fill, "confirmButton");
        Sheet()->Edit(2);
    };
    QStringList shown;
    confirm([&] {
        for (int j = 0; j < 6; ++j)
            shown << On<QLineEdit>(QStringLiteral("springEdit%1").arg(j))->text();
        shown << On<QLineEdit>("massWeightEdit")->text();
        On<QLineEdit>("springEdit1")->setText("50");
        On<QLineEdit>("springEdit5")->setText("1.5E5");
        On<QLineEdit>("massWeightEdit")->setText("20");
        On<QLineEdit>("inertiaEdit2")->setText("300");
    });
    EXPECT_EQ(shown, QStringList({"0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_TRUE(messages.empty());
    const std::array<double, 6> springs{0, 50, 0, 0, 0, 1.5e5};
    const auto holds = [&](const fem::NodeRecord& n) {
        EXPECT_EQ(n.Springs, springs);
        EXPECT_EQ(n.MassWeight, 20.0);
        EXPECT_EQ(n.RotaryInertia, (std::array<double, 3>{0, 0, 300}));
        EXPECT_EQ(n.Coord, (fem::Vec3{200, 0, 0}));
    };
    holds(Model().GetNode(2));
    EXPECT_FALSE(fem::HasSpringOrMass(Model().GetNode(1)));
    const fem::Model back = SheetModelSavedAndRead(Doc());
    ASSERT_EQ(back.NodeCount(), 3);
    holds(back.GetNode(2));

    // Applying constraints to all nodes leaves every node's springs and mass as they are.
    Answer(
        Sheet(), [&] { On<QCheckBox>("applyToAllCheck")->setChecked(true); }, "confirmButton");
    Sheet()->Edit(0);
    holds(Model().GetNode(2));
    EXPECT_FALSE(fem::HasSpringOrMass(Model().GetNode(0)));

    // A negative amount, one too large for a double, or a letter is refused and the node kept.
    const struct {
        const char* box;
        const char* text;
        const char* message;
    } refusals[] = {
        {"springEdit0", "-5", "ばね定数、質量、回転慣性には 0 以上の値を入力してください"},
        {"massWeightEdit", "-1", "ばね定数、質量、回転慣性には 0 以上の値を入力してください"},
        {"inertiaEdit0", "1E999", "入力値が不適当です"},
        {"springEdit4", "k", "入力値が不適当です"}};
    for (const auto& [box, text, message] : refusals) {
        messages.clear();
        confirm([&, box = box, text = text] {
            On<QLineEdit>(QLatin1String(box))->setText(QLatin1String(text));
            On<QLineEdit>("coordinateEdit1")->setText("7");
        });
        ASSERT_EQ(messages.size(), 1u) << box;
        EXPECT_EQ(messages[0], QString::fromUtf8(message)) << box;
        holds(Model().GetNode(2));
    }
}

class ElementSheetTest : public ShellTest {
  protected:
    shell::ElementSheet* Sheet() { return panel->elementSheet(); }
    template <class T>
    T* On(const QString& name) {
        T* w = Sheet()->findChild<T*>(name);
        if (!w) ADD_FAILURE() << "no control " << name.toStdString();
        return w;
    }
    QComboBox* EndNode(int i) { return On<QComboBox>(QStringLiteral("endNodeCombo%1").arg(i)); }
    // Diameter, Young's modulus, shear modulus, density.
    QLineEdit* Value(int i) {
        static const char* const kNames[4] = {"diameterEdit", "youngModulusEdit",
                                              "shearModulusEdit", "densityEdit"};
        return On<QLineEdit>(QLatin1String(kNames[i]));
    }

    // Opens the sheet on `number`, lets `fill` edit it and confirms.
    void Confirm(int number, std::function<void()> fill) {
        Answer(Sheet(), fill, "confirmButton");
        Sheet()->Edit(number);
    }
};

TEST_F(ElementSheetTest, NewElementOpensWithTheDefaultSteelBar) {
    StraightBar(Model());
    Model().DeleteElement(1);
    Model().DeleteElement(0);
    QStringList shown, nodeEntries;
    bool deleteHidden = false;
    QString title;
    Confirm(-1, [&] {
        title = Sheet()->windowTitle();
        shown << EndNode(0)->currentText() << EndNode(1)->currentText();
        for (int i = 0; i < 4; ++i) shown << Value(i)->text();
        for (int k = 0; k < EndNode(1)->count(); ++k) nodeEntries << EndNode(1)->itemText(k);
        deleteHidden = On<QPushButton>("deleteButton")->isHidden();
    });

    EXPECT_EQ(title, QStringLiteral("要素(0)追加"));
    EXPECT_EQ(shown, QStringList({"0", "1", "10", "21000", "8000", "7.86E-06"}));
    EXPECT_EQ(nodeEntries, QStringList({"0", "1", "2"}));
    EXPECT_TRUE(deleteHidden);
    ASSERT_EQ(Model().ElementCount(), 1);
    EXPECT_EQ(Model().GetElement(0).Length, 100.0);
    EXPECT_EQ(Model().GetElement(0).Density, 7.86E-06);
}

TEST_F(ElementSheetTest, NodeTextsMustNameTwoDifferentExistingNodes) {
    StraightBar(Model());
    const auto refused = [&](const char* first, const char* second, const QString& message) {
        messages.clear();
        Confirm(-1, [&] {
            EndNode(0)->setCurrentText(QLatin1String(first));
            EndNode(1)->setCurrentText(QLatin1String(second));
        });
        ASSERT_EQ(messages.size(), 1u) << first << " " << second;
        EXPECT_EQ(messages[0], message) << first << " " << second;
        EXPECT_EQ(Model().ElementCount(), 2);
    };
    refused("0", "0", QStringLiteral("節点が同じです"));
    refused("1", "01", QStringLiteral("節点が同じです"));
    // The same text twice names the same node, whether or not it names one at all.
    refused("3", "3", QStringLiteral("節点が同じです"));
    refused("x", "x", QStringLiteral("節点が同じです"));
    refused("0", "3", QStringLiteral("節点番号 3 はありません"));
    refused("-1", "2", QStringLiteral("節点番号 -1 はありません"));
    refused("0", "x", QStringLiteral("入力された数値が不適当です"));
}

TEST_F(ElementSheetTest, AnUneditedValueKeepsEveryDigitAnEditedOneIsRead) {
    StraightBar(Model());
    fem::ElementRecord e = Model().GetElement(0);
    e.CrossSection.Diameter = 10.0 / 3.0;
    e.Density = 7.86E-06 * (1.0 + 1e-15);
    Model().PutElement(0, e);
    QStringList shown;
    Confirm(0, [&] {
        for (int i = 0; i < 4; ++i) shown << Value(i)->text();
        Value(1)->setText("2.1E4");
    });
    EXPECT_EQ(shown, QStringList({"3.33333333333333", "21000", "8000", "7.86000000000001E-06"}));
    const fem::ElementRecord now = Model().GetElement(0);
    EXPECT_EQ(now.CrossSection.Diameter, 10.0 / 3.0);
    EXPECT_EQ(now.Density, 7.86E-06 * (1.0 + 1e-15));
    EXPECT_EQ(now.Young, 21000.0);
}

TEST_F(ElementSheetTest, TimoshenkoBoxShowsAndSetsTheMembersBending) {
    StraightBar(Model());
    bool shown = true;
    QString caption;
    Confirm(0, [&] {
        auto* box = On<QCheckBox>("timoshenkoCheck");
        shown = box->isChecked();
        caption = box->text();
        box->setChecked(true);
    });
    EXPECT_FALSE(shown);
    EXPECT_EQ(caption, QStringLiteral("せん断変形を考慮（Timoshenko）"));
    EXPECT_TRUE(Model().GetElement(0).Timoshenko);
    EXPECT_FALSE(Model().GetElement(1).Timoshenko);
    Confirm(0, [&] {
        shown = On<QCheckBox>("timoshenkoCheck")->isChecked();
        On<QCheckBox>("timoshenkoCheck")->setChecked(false);
    });
    EXPECT_TRUE(shown);
    EXPECT_FALSE(Model().GetElement(0).Timoshenko);
}

TEST_F(ElementSheetTest, ReleasesAreShownSetSavedAndAMechanismRefused) {
    StraightBar(Model());
    // Element 1 gets a hinge (My and Mz) at its first node, kept in the saved file.
    std::array<bool, 12> shown{};
    Confirm(1, [&] {
        for (int j = 0; j < 12; ++j)
            shown[j] = On<QCheckBox>(QStringLiteral("releaseCheck%1").arg(j))->isChecked();
        On<QCheckBox>("releaseCheck4")->setChecked(true);
        On<QCheckBox>("releaseCheck5")->setChecked(true);
    });
    EXPECT_EQ(shown, (std::array<bool, 12>{}));
    EXPECT_TRUE(messages.empty());
    std::array<bool, 12> hinge{};
    hinge[4] = hinge[5] = true;
    EXPECT_EQ(Model().GetElement(1).Released, hinge);
    EXPECT_FALSE(fem::HasReleases(Model().GetElement(0)));
    const fem::Model back = SheetModelSavedAndRead(Doc());
    ASSERT_EQ(back.ElementCount(), 2);
    EXPECT_EQ(back.GetElement(1).Released, hinge);

    // The sheet shows them; releasing T at both ends leaves the bar free to spin about
    // its axis: refused, and the element keeps its hinge.
    Confirm(1, [&] {
        for (int j = 0; j < 12; ++j)
            shown[j] = On<QCheckBox>(QStringLiteral("releaseCheck%1").arg(j))->isChecked();
        On<QCheckBox>("releaseCheck3")->setChecked(true);
        On<QCheckBox>("releaseCheck9")->setChecked(true);
    });
    EXPECT_EQ(shown, hinge);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("要素を変更できません：端部解放により要素が剛体と"
                                          "して動けてしまいます（不安定）"));
    EXPECT_EQ(Model().GetElement(1).Released, hinge);
}

TEST_F(ElementSheetTest, LetterInTheDiameterIsRefused) {
    StraightBar(Model());
    Confirm(0, [&] { Value(0)->setText("1O"); });
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("入力された数値が不適当です"));
    EXPECT_EQ(Model().GetElement(0).CrossSection.Diameter, 10.0);
}

TEST_F(ElementSheetTest, ChangingTheSecondNodeRecomputesLengthAndDirection) {
    fem::Model& m = Model();
    m.AddNode(MakeNode(0, 0, 0));
    m.AddNode(MakeNode(100, 0, 0));
    m.AddNode(MakeNode(0, 0, -40));
    AddBar(Model(), 0, 1);
    QString title;
    Confirm(0, [&] {
        title = Sheet()->windowTitle();
        EndNode(1)->setCurrentIndex(2);
        Value(0)->setText("20");
    });
    EXPECT_EQ(title, QStringLiteral("要素番号＝0"));
    const fem::ElementRecord e = m.GetElement(0);
    EXPECT_EQ(e.EndNode[1], 2);
    EXPECT_DOUBLE_EQ(e.Length, 40.0);
    EXPECT_EQ(e.AxisCos, (fem::Vec3{0, 0, -1}));
    EXPECT_DOUBLE_EQ(e.Area, 100.0 * std::acos(-1.0));
}

TEST_F(ElementSheetTest, MaterialThatCannotBeUsedIsRefusedAndTheElementKept) {
    StraightBar(Model());
    // Boxes: 0 diameter, 1 Young's modulus, 2 shear modulus, 3 density.
    const struct {
        int box;
        const char* text;
        const char* why;
    } cases[] = {{3, "0", "密度が 0 のため計算できません"},
                 {1, "-21000", "波の速さが求まりません"},
                 {2, "-8000", "波の速さが求まりません"},
                 {0, "0", "直径が 0 のため断面がありません"}};
    for (const auto& [box, text, why] : cases) {
        messages.clear();
        Confirm(1, [&, box = box, text = text] { Value(box)->setText(QLatin1String(text)); });
        ASSERT_EQ(messages.size(), 1u) << box;
        EXPECT_TRUE(messages[0].startsWith(QStringLiteral("要素を変更できません：") +
                                           QString::fromUtf8(why)))
            << messages[0].toStdString();
        const fem::ElementRecord e = Model().GetElement(1);
        EXPECT_EQ(e.Young, 21000.0);
        EXPECT_EQ(e.Shear, 8000.0);
        EXPECT_EQ(e.Density, 7.86E-06);
        EXPECT_EQ(e.CrossSection.Diameter, 10.0);
    }
}

TEST_F(ElementSheetTest, DeletingElementZeroRenumbersTheOthers) {
    StraightBar(Model());
    Model().AddNode(MakeNode(300, 0, 0));
    AddBar(Model(), 2, 3);
    Answer(Sheet(), nullptr, "deleteButton");
    EXPECT_EQ(Sheet()->Edit(0), 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("要素番号 0 を削除します"));
    ASSERT_EQ(Model().ElementCount(), 2);
    EXPECT_EQ(Model().GetElement(0).EndNode, (std::array<int, 2>{1, 2}));
    EXPECT_EQ(Model().GetElement(1).EndNode, (std::array<int, 2>{2, 3}));
    EXPECT_EQ(Get<QComboBox>("elementCombo")->count(), 2);
}

class DroppedWeightTest : public ShellTest {
  protected:
    QLineEdit* Box(const char* name) {
        auto* b = panel->droppedWeightDialog()->findChild<QLineEdit*>(QLatin1String(name));
        if (!b) ADD_FAILURE() << "no control " << name;
        return b;
    }
    // Opens the dialog from the menu, lets `fill` edit it and presses `button`.
    void Open(std::function<void()> fill, const char* button = "confirmButton") {
        Answer(panel->droppedWeightDialog(), fill, button);
        Get<QAction>("droppedWeightAction")->trigger();
    }
};

TEST_F(DroppedWeightTest, SetFromTheMenuSavedRefusedAndRemoved) {
    StraightBar(Model());
    Open([&] {
        panel->droppedWeightDialog()->findChild<QComboBox*>("nodeCombo")->setCurrentText("2");
        Box("weightEdit")->setText("5");
        Box("velocityEdit0")->setText("0");
        Box("velocityEdit1")->setText("-2000");
        panel->droppedWeightDialog()->findChild<QCheckBox*>("gravityCheck")->setChecked(true);
    });
    EXPECT_TRUE(messages.empty());
    const auto holds = [](const std::optional<fem::DroppedWeight>& d) {
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->Node, 2);
        EXPECT_EQ(d->Weight, 5.0);
        EXPECT_EQ(d->Velocity, (fem::Vec3{0, -2000, 0}));
        EXPECT_TRUE(d->Gravity);
    };
    holds(Model().Impact());
    holds(SheetModelSavedAndRead(Doc()).Impact());

    const struct {
        const char* box;
        const char* text;
        QString message;
    } refusals[] = {{"weightEdit", "0", QStringLiteral("落下物の重量には正の値を入力してください")},
                    {"velocityEdit1", "0", QStringLiteral("落下物の衝突速度が 0 です")},
                    {"velocityEdit2", "v", QStringLiteral("入力された数値が不適当です")}};
    for (const auto& [box, text, message] : refusals) {
        messages.clear();
        Open([&, box = box, text = text] { Box(box)->setText(QLatin1String(text)); });
        ASSERT_EQ(messages.size(), 1u) << box;
        EXPECT_EQ(messages[0], message) << box;
        holds(Model().Impact());
    }
    messages.clear();
    Open([&] {
        panel->droppedWeightDialog()->findChild<QComboBox*>("nodeCombo")->setCurrentText("3");
    });
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("節点番号 3 はありません"));
    holds(Model().Impact());

    Open(nullptr, "deleteButton");
    EXPECT_FALSE(Model().Impact().has_value());
}

}  // namespace
}  // namespace shelltest
