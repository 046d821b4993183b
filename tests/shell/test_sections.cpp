// Named materials and sections in the GUI: the element sheet chooses them by name and
// shows their values without editing them, the dialogs change the model's tables and
// refuse what the model would refuse, in Japanese, before anything changes, and what was
// edited is written and read back with its names.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTemporaryDir>

#include "model/datafile.h"
#include "shell/elementsheet.h"
#include "shell/numbertext.h"
#include "shell/sectioneditor.h"
#include "shell/structurefiles.h"
#include "shell/tabledialogs.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

// Two members of a frame: a column of H200 turned by 90 degrees and a beam of a
// rectangular hollow section with its local z upwards.
const char* const kExample = R"({"format": "ImpactFrame", "version": 2, "units": "mm kgf s",
 "materials": {"steel": {"E": 21000, "G": 8000, "density": 7.86e-6},
               "alu":   {"E": 7000,  "G": 2600, "density": 2.7e-6}},
 "sections": {"bar10": {"shape": "round", "d": 10},
              "pipe":  {"shape": "tube", "d": 60.5, "t": 3.2},
              "flat":  {"shape": "rectangle", "b": 50, "h": 9},
              "rhs":   {"shape": "box", "b": 100, "h": 150, "t": 6},
              "H200":  {"shape": "I", "h": 200, "b": 100, "tw": 5.5, "tf": 8},
              "any":   {"shape": "general", "A": 2716, "Iy": 1.84e7, "Iz": 1.34e6, "J": 4.4e4}},
 "nodes": [{"x": 0, "y": 0, "z": 0,    "codes": ["u","u","u","u","u","u"], "values": [0,0,0,0,0,0]},
           {"x": 0, "y": 0, "z": 3000, "codes": ["pf","p","p","p","p","p"], "values": [100,0,0,0,0,0]},
           {"x": 2000, "y": 0, "z": 3000, "codes": ["p","p","p","p","p","p"], "values": [0,0,0,0,0,0]}],
 "elements": [{"nodes": [0, 1], "material": "steel", "section": "H200", "roll": 90},
              {"nodes": [1, 2], "material": "alu", "section": "rhs", "z_towards": [0, 0, 1]}]})";

class SectionsTest : public ShellTest {
  protected:
    void SetUp() override {
        ShellTest::SetUp();
        ASSERT_TRUE(dir.isValid());
        QFile f(dir.filePath(QStringLiteral("example.json")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(kExample);
        f.close();
        ASSERT_TRUE(panel->OpenStructureFile(f.fileName()));
        ASSERT_TRUE(messages.empty());
    }

    shell::ElementSheet* Sheet() { return panel->elementSheet(); }
    shell::SectionsDialog* Sections() { return panel->sectionsDialog(); }
    shell::MaterialsDialog* Materials() { return panel->materialsDialog(); }
    template <class T>
    static T* In(QWidget* window, const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    // Chooses the entry of `text` in a list as a user does.
    static void ChooseText(QComboBox* list, const QString& text) {
        const int index = list->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        Choose(list, index);
    }
    // Edits a box as a user does (textEdited follows).
    static void Type(QLineEdit* box, const QString& text) {
        box->selectAll();
        box->insert(text);
    }
    static void Pick(QListWidget* list, const char* name) {
        const auto items = list->findItems(QLatin1String(name), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name;
        list->setCurrentItem(items[0]);
    }
    // The properties A, Iy, Iz, J the sheet or a dialog shows.
    static QStringList Shown(QWidget* window) {
        QStringList out;
        for (const char* name : {"propertyA", "propertyIy", "propertyIz", "propertyJ"})
            out << In<QLabel>(window, name)->text();
        return out;
    }

    QTemporaryDir dir;
};

TEST_F(SectionsTest, ChoosingNamesInTheSheetGivesTheElementTheirNamesAndValues) {
    // A new element between nodes 0 and 2 starts with its own values (a steel bar).
    QString ownEntry;
    bool boxesLocked = false, orientable = false;
    QStringList shown;
    Answer(
        Sheet(),
        [&] {
            ownEntry = In<QComboBox>(Sheet(), "materialCombo")->currentText();
            In<QComboBox>(Sheet(), "endNodeCombo1")->setCurrentText("2");
            ChooseText(In<QComboBox>(Sheet(), "materialCombo"), "alu");
            ChooseText(In<QComboBox>(Sheet(), "sectionCombo"), "flat");
            boxesLocked = In<QLineEdit>(Sheet(), "youngModulusEdit")->isReadOnly() &&
                          In<QLineEdit>(Sheet(), "widthEdit")->isReadOnly();
            orientable = In<QRadioButton>(Sheet(), "rollRadio")->isEnabled();
            shown = Shown(Sheet());
            shown << In<QLineEdit>(Sheet(), "youngModulusEdit")->text();
            In<QRadioButton>(Sheet(), "rollRadio")->setChecked(true);
            Type(In<QLineEdit>(Sheet(), "rollEdit"), "30");
        },
        "confirmButton");
    Sheet()->Edit(-1);
    ASSERT_TRUE(messages.empty()) << messages[0].toStdString();
    EXPECT_EQ(ownEntry, QStringLiteral("（個別）"));
    EXPECT_TRUE(boxesLocked);
    EXPECT_TRUE(orientable);
    ASSERT_EQ(Model().ElementCount(), 3);
    const fem::ElementRecord e = Model().GetElement(2);
    EXPECT_EQ(e.MaterialName, "alu");
    EXPECT_EQ(e.SectionName, "flat");
    EXPECT_EQ(e.Young, 7000.0);
    EXPECT_EQ(e.Density, 2.7e-6);
    EXPECT_EQ(e.Area, 450.0);  // 50 x 9
    EXPECT_EQ(e.Iy, 3037.5);   // 50 x 9^3 / 12
    EXPECT_EQ(e.Roll, 30.0);
    EXPECT_FALSE(e.ZTowards);
    // The sheet showed A, Iy, Iz = 9 x 50^3 / 12 and J of the exact series for a = 50,
    // b = 9 (10771.6458, summed by hand to n = 5) to 6 digits, and alu's E.
    EXPECT_EQ(shown, QStringList({"450", "3037.5", "93750", "10771.6", "7000"}));
}

TEST_F(SectionsTest, NamedValuesAreShownNotEditedAndOwnValuesStartFromThem) {
    QStringList shown;
    QString young, roll;
    bool locked = false, rollChosen = false;
    Answer(
        Sheet(),
        [&] {
            shown = Shown(Sheet());
            young = In<QLineEdit>(Sheet(), "youngModulusEdit")->text();
            locked = In<QLineEdit>(Sheet(), "youngModulusEdit")->isReadOnly();
            rollChosen = In<QRadioButton>(Sheet(), "rollRadio")->isChecked();
            roll = In<QLineEdit>(Sheet(), "rollEdit")->text();
            // This element alone gets E = 20000; the others keep steel's.
            ChooseText(In<QComboBox>(Sheet(), "materialCombo"),
                       shell::ElementSheet::OwnValuesEntry());
            Type(In<QLineEdit>(Sheet(), "youngModulusEdit"), "20000");
        },
        "confirmButton");
    Sheet()->Edit(0);
    ASSERT_TRUE(messages.empty()) << messages[0].toStdString();
    // H200: A = 2 b tf + (h - 2 tf) tw = 1600 + 184 x 5.5.
    EXPECT_EQ(shown[0], "2612");
    EXPECT_EQ(young, "21000");
    EXPECT_TRUE(locked);
    EXPECT_TRUE(rollChosen);
    EXPECT_EQ(roll, "90");
    const fem::ElementRecord e = Model().GetElement(0);
    EXPECT_EQ(e.MaterialName, "");
    EXPECT_EQ(e.Young, 20000.0);
    EXPECT_EQ(e.Shear, 8000.0);  // steel's, taken over unedited
    EXPECT_EQ(e.Density, 7.86e-6);
    EXPECT_EQ(e.SectionName, "H200");
    EXPECT_EQ(Model().Materials().at("steel").Young, 21000.0);
}

TEST_F(SectionsTest, RoundSectionsHaveNoOrientationAndALocalZAlongTheMemberIsRefused) {
    bool rollEnabled = true, noteShown = false;
    Answer(
        Sheet(),
        [&] {
            ChooseText(In<QComboBox>(Sheet(), "sectionCombo"), "pipe");
            rollEnabled = In<QRadioButton>(Sheet(), "rollRadio")->isEnabled();
            noteShown = !In<QLabel>(Sheet(), "orientationNote")->isHidden();
        },
        "cancelButton");
    Sheet()->Edit(0);
    EXPECT_FALSE(rollEnabled);
    EXPECT_TRUE(noteShown);

    // Element 1 runs along x: local z cannot point along x.
    QString z;
    Answer(
        Sheet(),
        [&] {
            z = In<QLineEdit>(Sheet(), "zTowardsEdit2")->text();
            Type(In<QLineEdit>(Sheet(), "zTowardsEdit0"), "1");
            Type(In<QLineEdit>(Sheet(), "zTowardsEdit2"), "0");
        },
        "confirmButton");
    Sheet()->Edit(1);
    EXPECT_EQ(z, "1");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("要素を変更できません：局所 z 軸の向きが 0 か要素の軸に"
                                          "沿っているため、断面の向きが決まりません"));
    EXPECT_EQ(*Model().GetElement(1).ZTowards, (fem::Vec3{0, 0, 1}));
}

// A user gives one member a section of its own: switching the shape fills the new
// dimensions with a usable start, impossible dimensions are refused in Japanese with the
// member unchanged, and possible ones are taken.
TEST_F(SectionsTest, AnOwnSectionStartsUsableAndImpossibleDimensionsAreRefused) {
    QString startFault = QStringLiteral("not read");
    QStringList tubeStart, generalStart;
    Answer(
        Sheet(),
        [&] {
            ChooseText(In<QComboBox>(Sheet(), "sectionCombo"),
                       shell::ElementSheet::OwnValuesEntry());
            // From the box 100 x 150 x 6 of "rhs": a tube keeps t = 6 and starts at d = 60.5.
            Choose(In<QComboBox>(Sheet(), "shapeCombo"), 1);
            startFault = Sheet()->findChild<shell::SectionEditor*>()->FaultText();
            tubeStart << In<QLineEdit>(Sheet(), "diameterEdit")->text()
                      << In<QLineEdit>(Sheet(), "thicknessEdit")->text();
            // A general section starts from the tube's properties: A = pi (60.5^2 - 48.5^2) / 4.
            Choose(In<QComboBox>(Sheet(), "shapeCombo"), 5);
            generalStart = Shown(Sheet());
            Choose(In<QComboBox>(Sheet(), "shapeCombo"), 1);
            Type(In<QLineEdit>(Sheet(), "thicknessEdit"), "30.25");
        },
        "confirmButton");
    Sheet()->Edit(1);
    EXPECT_EQ(startFault, QString());
    EXPECT_EQ(tubeStart, QStringList({"60.5", "6"}));
    ASSERT_EQ(generalStart.size(), 4);
    EXPECT_EQ(generalStart[0], "1027.3");  // 327 pi
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], QStringLiteral("要素を変更できません：肉厚 t は d/2 より小さくして"
                                          "下さい（t = 30.25、d/2 = 30.25）。"));
    EXPECT_EQ(Model().GetElement(1).SectionName, "rhs");

    Answer(
        Sheet(),
        [&] {
            ChooseText(In<QComboBox>(Sheet(), "sectionCombo"),
                       shell::ElementSheet::OwnValuesEntry());
            Choose(In<QComboBox>(Sheet(), "shapeCombo"), 1);
            Type(In<QLineEdit>(Sheet(), "thicknessEdit"), "3.2");
        },
        "confirmButton");
    Sheet()->Edit(1);
    EXPECT_EQ(messages.size(), 1u);
    const fem::ElementRecord e = Model().GetElement(1);
    EXPECT_EQ(e.SectionName, "");
    EXPECT_EQ(e.CrossSection.Shape, fem::SectionShape::Tube);
    EXPECT_EQ(e.CrossSection.Diameter, 60.5);
    EXPECT_EQ(e.CrossSection.Thickness, 3.2);
}

TEST_F(SectionsTest, SectionDialogShowsFaultsAndRefusesThemBeforeAnythingChanges) {
    const fem::Section pipe = Model().Sections().at("pipe");
    QString fault, area;
    QStringList refusedNames;
    Answer(
        Sections(),
        [&] {
            auto* editor = Sections()->Editor();
            Type(In<QLineEdit>(editor, "thicknessEdit"), "40");
            fault = In<QLabel>(editor, "sectionFaultLabel")->text();
            area = In<QLabel>(editor, "propertyA")->text();
            In<QPushButton>(Sections(), "changeButton")->click();
            // A new tube with t = d/2 under a new name, and sections without a usable name.
            Type(In<QLineEdit>(Sections(), "nameEdit"), "thick");
            Type(In<QLineEdit>(editor, "diameterEdit"), "10");
            Type(In<QLineEdit>(editor, "thicknessEdit"), "5");
            In<QPushButton>(Sections(), "addButton")->click();
            Type(In<QLineEdit>(editor, "thicknessEdit"), "1");
            Type(In<QLineEdit>(Sections(), "nameEdit"), "");
            In<QPushButton>(Sections(), "addButton")->click();
            Type(In<QLineEdit>(Sections(), "nameEdit"), "H200");
            In<QPushButton>(Sections(), "addButton")->click();
            for (int k = 0; k < In<QListWidget>(Sections(), "nameList")->count(); ++k)
                refusedNames << In<QListWidget>(Sections(), "nameList")->item(k)->text();
        },
        "closeButton");
    Sections()->Edit("pipe");
    EXPECT_EQ(fault, QStringLiteral("肉厚 t は d/2 より小さくして下さい（t = 40、d/2 = 30.25）。"));
    EXPECT_EQ(area, QStringLiteral("－"));
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0], QStringLiteral("断面「pipe」を変更できません：") + fault);
    EXPECT_EQ(messages[1], QStringLiteral("断面「thick」を追加できません：肉厚 t は d/2 より"
                                          "小さくして下さい（t = 5、d/2 = 5）。"));
    EXPECT_EQ(messages[2], QStringLiteral("断面を追加できません：名前を入れて下さい。"));
    EXPECT_EQ(messages[3],
              QStringLiteral("断面「H200」を追加できません：同じ名前の断面がすでにあります。"));
    EXPECT_TRUE(fem::SameSection(Model().Sections().at("pipe"), pipe));
    EXPECT_EQ(Model().Sections().size(), 6u);
    EXPECT_EQ(refusedNames.size(), 6);
}

TEST_F(SectionsTest, SectionInUseIsNotDeletedChangesReachItsElementsAndTheSheetFollowsARename) {
    answerYes = true;
    QStringList shownAfterChange;
    Answer(
        Sections(),
        [&] {
            In<QPushButton>(Sections(), "deleteButton")->click();  // H200: element 0
            Pick(In<QListWidget>(Sections(), "nameList"), "flat");
            In<QPushButton>(Sections(), "deleteButton")->click();
            Pick(In<QListWidget>(Sections(), "nameList"), "H200");
            // Flanges of 10 instead of 8: A = 2000 + 180 x 5.5 = 2990.
            Type(In<QLineEdit>(Sections()->Editor(), "flangeThicknessEdit"), "10");
            shownAfterChange = Shown(Sections()->Editor());
            In<QPushButton>(Sections(), "changeButton")->click();
        },
        "closeButton");
    Sections()->Edit("H200");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0],
              QStringLiteral("断面「H200」を削除できません：要素 0 がこの断面を使っています。"));
    EXPECT_EQ(messages[1], QStringLiteral("断面「flat」を削除します"));
    EXPECT_EQ(Model().Sections().count("H200"), 1u);
    EXPECT_EQ(Model().Sections().count("flat"), 0u);
    const fem::ElementRecord column = Model().GetElement(0);
    EXPECT_EQ(column.Area, 2990.0);
    // Iy = (100 x 200^3 - 94.5 x 180^3) / 12, Iz = (2 x 10 x 100^3 + 180 x 5.5^3) / 12,
    // J = (2 x 100 x 10^3 + 190 x 5.5^3) / 3.
    EXPECT_EQ(shownAfterChange, QStringList({"2990", "2.07397E+07", "1.66916E+06", "77203.8"}));
    EXPECT_DOUBLE_EQ(column.Iy, 20739666.0 + 2.0 / 3.0);

    // Renamed from the sheet's "断面..." button: the sheet and the element follow.
    QString chosenAfter;
    Answer(
        Sheet(),
        [&] {
            Answer(
                Sections(),
                [&] {
                    Type(In<QLineEdit>(Sections(), "nameEdit"), "H-200x100");
                    In<QPushButton>(Sections(), "renameButton")->click();
                },
                "closeButton");
            In<QPushButton>(Sheet(), "sectionsButton")->click();
            chosenAfter = In<QComboBox>(Sheet(), "sectionCombo")->currentText();
        },
        "confirmButton");
    Sheet()->Edit(0);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(chosenAfter, "H-200x100");
    EXPECT_EQ(Model().GetElement(0).SectionName, "H-200x100");
}

TEST_F(SectionsTest, MaterialDialogChangesEveryElementOfTheMaterialOrRefusesInJapanese) {
    // From the menu, as a user reaches it.
    QString poisson, fault;
    Answer(
        Materials(),
        [&] {
            Type(In<QLineEdit>(Materials(), "densityEdit"), "0");
            fault = In<QLabel>(Materials(), "materialFaultLabel")->text();
            In<QPushButton>(Materials(), "changeButton")->click();
            Type(In<QLineEdit>(Materials(), "densityEdit"), "2.7E-06");
            Type(In<QLineEdit>(Materials(), "youngModulusEdit"), "6900");
            poisson = In<QLabel>(Materials(), "poissonLabel")->text();
            In<QPushButton>(Materials(), "changeButton")->click();
            In<QPushButton>(Materials(), "deleteButton")->click();
        },
        "closeButton");
    frame->Action(QStringLiteral("materialsAction"))->trigger();  // opens on "alu", the first
    EXPECT_EQ(fault, QStringLiteral("密度は正の数にして下さい（0）。"));
    EXPECT_EQ(poisson, "0.326923");  // 6900 / (2 x 2600) - 1
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], QStringLiteral("材料「alu」を変更できません：") + fault);
    EXPECT_EQ(messages[1],
              QStringLiteral("材料「alu」を削除できません：要素 1 がこの材料を使っています。"));
    EXPECT_EQ(Model().Materials().at("alu").Young, 6900.0);
    EXPECT_EQ(Model().GetElement(1).Young, 6900.0);
    EXPECT_EQ(Model().GetElement(0).Young, 21000.0);
}

TEST_F(SectionsTest, WhatTheGuiEditedIsWrittenAndReadBackWithItsNames) {
    Answer(
        Sections(),
        [&] {
            Type(In<QLineEdit>(Sections(), "nameEdit"), "鋼管 76.3");
            Type(In<QLineEdit>(Sections()->Editor(), "diameterEdit"), "76.3");
            Type(In<QLineEdit>(Sections()->Editor(), "thicknessEdit"), "4.2");
            In<QPushButton>(Sections(), "addButton")->click();
        },
        "closeButton");
    Sections()->Edit("pipe");
    Answer(
        Sheet(),
        [&] { ChooseText(In<QComboBox>(Sheet(), "sectionCombo"), QStringLiteral("鋼管 76.3")); },
        "confirmButton");
    Sheet()->Edit(1);
    ASSERT_TRUE(messages.empty()) << messages[0].toStdString();

    const QString path = dir.filePath(QStringLiteral("edited.json"));
    ASSERT_EQ(shell::WriteStructureFile(Doc(), path), QString());
    fem::Model read;
    ASSERT_TRUE(fem::StructDataReadFile(read, path.toStdString(), nullptr));
    EXPECT_EQ(read.Sections().size(), 7u);
    const fem::Section& tube = read.Sections().at("鋼管 76.3");
    EXPECT_EQ(tube.Shape, fem::SectionShape::Tube);
    EXPECT_EQ(tube.Diameter, 76.3);
    EXPECT_EQ(tube.Thickness, 4.2);
    ASSERT_EQ(read.ElementCount(), 2);
    EXPECT_EQ(read.Elements[1].SectionName, "鋼管 76.3");
    EXPECT_EQ(read.Elements[1].MaterialName, "alu");
    EXPECT_EQ(read.Elements[0].SectionName, "H200");
    EXPECT_EQ(read.Elements[0].Roll, 90.0);
    // A tube has no orientation, but the element keeps the direction it was given.
    EXPECT_EQ(*read.Elements[1].ZTowards, (fem::Vec3{0, 0, 1}));
}

}  // namespace
}  // namespace shelltest
