// Ground motion, damping and the responses engineers read, in the GUI: the dialog of the
// ground motion and the model-wide damping, a material's own damping, the quantity of the
// node histories and the reactions of a support.
#include <cmath>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>

#include "analysis/impact.h"
#include "model/datafile.h"
#include "results/forcegraphwindow.h"
#include "shell/dampingeditor.h"
#include "shell/grounddialog.h"
#include "shell/structurefiles.h"
#include "shell/tabledialogs.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

class DynamicsTest : public ShellTest {
  protected:
    template <class T>
    static T* In(QWidget* window, const char* name) {
        T* w = window->findChild<T*>(QLatin1String(name));
        if (!w) ADD_FAILURE() << "no control " << name;
        return w;
    }
    static void Type(QWidget* window, const char* name, const QString& text) {
        auto* box = In<QLineEdit>(window, name);
        box->selectAll();
        box->insert(text);
    }
    // Damping by the ratio zeta at f1 and f2, typed into an editor.
    static void TypeRatio(QWidget* editor, const char* zeta, const char* f1, const char* f2) {
        In<QRadioButton>(editor, "ratioButton")->setChecked(true);
        Type(editor, "ratioEdit", QLatin1String(zeta));
        Type(editor, "f1Edit", QLatin1String(f1));
        Type(editor, "f2Edit", QLatin1String(f2));
    }
    results::ForceGraphWindow* Graphs() const {
        return qobject_cast<results::ForceGraphWindow*>(frame->ForceGraphWindow());
    }
    // The node group's histories of `node` with the quantity at `index`, as shown.
    numeric::RealMatrix NodeHistories(int node, int quantity) {
        Choose(Get<QComboBox>("quantityCombo"), quantity);
        panel->ComputeNodeDisplacements(node);
        Settle();
        return Graphs() ? Graphs()->ForceHistory() : numeric::RealMatrix();
    }
    QTemporaryDir dir;
};

// Rayleigh coefficients by hand: w = 2 pi f, alpha = 2 zeta w1 w2 / (w1 + w2),
// beta = 2 zeta / (w1 + w2). zeta 0.05 at 10 and 100 Hz: w1 + w2 = 691.150383789754,
// alpha = 5.71198664289... 1/s, beta = 1.44686311...E-04 s.
TEST_F(DynamicsTest, GroundAndDampingAreEditedRefusedShownConvertedAndSaved) {
    panel->LoadSample(1);
    fem::LoadHistory shake;
    shake.Kind = fem::HistoryKind::HalfSine;
    shake.Duration = 0.01;
    Model().PutHistory("shake", shake);
    shell::GroundDampingDialog* dialog = panel->groundDampingDialog();

    // A ground without direction and a negative ratio are refused; nothing changes.
    Answer(
        dialog,
        [&] {
            In<QGroupBox>(dialog, "groundGroup")->setChecked(true);
            for (const char* box : {"directionEdit0", "directionEdit1", "directionEdit2"})
                Type(dialog, box, QStringLiteral("0"));
            In<QPushButton>(dialog, "confirmButton")->click();
            Type(dialog, "directionEdit2", QStringLiteral("1"));
            In<QGroupBox>(dialog, "modelDampingGroup")->setChecked(true);
            TypeRatio(dialog->Damping(), "-0.05", "10", "100");
            In<QPushButton>(dialog, "confirmButton")->click();
        },
        "cancelButton");
    EXPECT_FALSE(dialog->Edit());
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_FALSE(Model().Ground());
    EXPECT_FALSE(Model().ModelDamping());

    messages.clear();
    QString converted;
    Answer(
        dialog,
        [&] {
            In<QGroupBox>(dialog, "groundGroup")->setChecked(true);
            Type(dialog, "directionEdit0", QStringLiteral("0"));
            Type(dialog, "directionEdit1", QStringLiteral("0"));
            Type(dialog, "directionEdit2", QStringLiteral("1"));
            Choose(In<QComboBox>(dialog, "groundQuantityCombo"), 1);
            In<QGroupBox>(dialog, "modelDampingGroup")->setChecked(true);
            TypeRatio(dialog->Damping(), "0.05", "10", "100");
            converted = In<QLabel>(dialog->Damping(), "convertedLabel")->text();
        },
        "confirmButton");
    EXPECT_TRUE(dialog->Edit());
    ASSERT_TRUE(messages.empty()) << messages[0].toStdString();
    EXPECT_EQ(converted, QStringLiteral("→ α = 5.71199 1/s、β = 0.000144686 s"));
    ASSERT_TRUE(Model().Ground());
    EXPECT_EQ(Model().Ground()->History, "shake");
    EXPECT_EQ(Model().Ground()->Quantity, fem::GroundQuantity::Displacement);
    EXPECT_EQ(Model().Ground()->Direction, (std::array<double, 3>{0.0, 0.0, 1.0}));
    ASSERT_TRUE(Model().ModelDamping());
    EXPECT_EQ(Model().ModelDamping()->Given, fem::Damping::Form::Ratio);
    EXPECT_EQ(Model().ModelDamping()->Ratio, 0.05);
    EXPECT_EQ(Model().ModelDamping()->AtHz, (std::array<double, 2>{10.0, 100.0}));

    // A material's own damping, by alpha and beta.
    shell::MaterialsDialog* materials = panel->materialsDialog();
    Answer(
        materials,
        [&] {
            Type(materials, "nameEdit", QStringLiteral("damped steel"));
            In<QGroupBox>(materials, "materialDampingGroup")->setChecked(true);
            Type(materials, "alphaEdit", QStringLiteral("3"));
            Type(materials, "betaEdit", QStringLiteral("2e-6"));
            In<QPushButton>(materials, "addButton")->click();
        },
        "closeButton");
    materials->Edit();
    ASSERT_TRUE(messages.empty()) << messages[0].toStdString();
    const fem::Material& steel = Model().Materials().at("damped steel");
    ASSERT_TRUE(steel.Damp);
    EXPECT_EQ(steel.Damp->Alpha, 3.0);
    EXPECT_EQ(steel.Damp->Beta, 2e-6);

    EXPECT_EQ(fem::DataFileVersionOf(Model()), 2);
    const QString path = dir.filePath(QStringLiteral("ground.json"));
    ASSERT_EQ(shell::WriteStructureFile(Doc(), path), QString());
    fem::Model read;
    ASSERT_TRUE(fem::StructDataReadFile(read, path.toStdString(), nullptr));
    EXPECT_EQ(read.Ground(), Model().Ground());
    EXPECT_EQ(read.ModelDamping(), Model().ModelDamping());
    EXPECT_EQ(read.Materials().at("damped steel").Damp, steel.Damp);
}

// Sample 1 (a rod fixed at x = 0, axial load at its free end) under a half-sine pulse, a
// load smooth enough for finite differences: the velocity is the time derivative of the
// displacement the graphs show, and the acceleration that of the velocity, checked by
// central differences.
TEST_F(DynamicsTest, NodeGroupShowsTheVelocityAndAccelerationOfTheDisplacement) {
    panel->LoadSample(1);
    fem::LoadHistory pulse;
    pulse.Kind = fem::HistoryKind::HalfSine;
    pulse.Duration = 1e-4;
    Model().PutHistory("pulse", pulse);
    fem::NodeRecord tip = Model().GetNode(2);
    tip.History[0] = "pulse";
    Model().PutNode(2, tip);
    Analyse();
    ASSERT_TRUE(Doc().Impact());
    EXPECT_FALSE(Get<QCheckBox>("relativeToGroundCheck")->isEnabled());  // no ground motion
    const fem::AnalysisSettings& settings = Doc().Impact()->Settings();
    const double dt = settings.Te / settings.Nw;
    const numeric::RealMatrix u = NodeHistories(2, 0);
    const numeric::RealMatrix v = NodeHistories(2, 1);
    ASSERT_EQ(Graphs()->windowTitle(), QStringLiteral("節点速度の計算結果"));
    const numeric::RealMatrix a = NodeHistories(2, 2);
    ASSERT_EQ(u.Cols(), settings.Nw);
    ASSERT_EQ(v.Cols(), settings.Nw);
    ASSERT_EQ(a.Cols(), settings.Nw);
    // Relative root-mean-square difference over the first half (the second carries the
    // window's decay), derivative by central differences of the curve shown.
    const auto relativeRms = [&](const numeric::RealMatrix& f, const numeric::RealMatrix& df) {
        double diff = 0.0;
        double norm = 0.0;
        for (int j = 1; j < settings.Nw / 2; ++j) {
            const double d = (f(0, j + 1) - f(0, j - 1)) / (2 * dt);
            diff += (d - df(0, j)) * (d - df(0, j));
            norm += df(0, j) * df(0, j);
        }
        return std::sqrt(diff / norm);
    };
    EXPECT_LT(relativeRms(u, v), 0.005);  // 4.7E-4 seen
    EXPECT_LT(relativeRms(v, a), 0.05);   // 1.4E-2 seen
}

// The reaction of the fixed end balances the load once damping has brought the rod to
// rest: R = -P along x, nothing else.
TEST_F(DynamicsTest, SupportReactionsBalanceTheLoadAtRest) {
    panel->LoadSample(1);
    fem::Damping heavy;
    heavy.Given = fem::Damping::Form::Ratio;
    heavy.Ratio = 0.5;
    heavy.AtHz = {2000.0, 20000.0};
    Model().SetModelDamping(heavy);
    // Five times the sample's time span: the first mode (c / 4L, about 6.4 kHz, damped by
    // a ratio of about 0.29) decays by e^-9 before the mean is taken.
    Get<QLineEdit>("teEdit")->setText(QStringLiteral("0.002"));
    Analyse();
    ASSERT_TRUE(Doc().Impact());
    const double P = Model().Nodes[2].LoadValue[0];

    Get<QComboBox>("displacementNodeCombo")->setCurrentIndex(1);  // a free node
    Get<QPushButton>("showReactionsButton")->click();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].contains(QStringLiteral("固定された自由度")));

    panel->ComputeSupportReactions(0);
    Settle();
    ASSERT_EQ(messages.size(), 1u) << messages.back().toStdString();
    ASSERT_NE(Graphs(), nullptr);
    EXPECT_EQ(Graphs()->windowTitle(), QStringLiteral("支点反力の計算結果"));
    const std::string csv = Graphs()->CsvText();
    EXPECT_EQ(csv.substr(0, csv.find('\n')), "t,fx,fy,fz,mx,my,mz");
    const numeric::RealMatrix& r = Graphs()->ForceHistory();
    const int nw = Doc().Impact()->Settings().Nw;
    ASSERT_EQ(r.Rows(), 6);
    // Late in the first half of the window: at rest.
    double mean[6] = {};
    const int from = nw * 2 / 5;
    const int to = nw / 2;
    for (int c = 0; c < 6; ++c) {
        for (int j = from; j < to; ++j) mean[c] += r(c, j);
        mean[c] /= to - from;
    }
    EXPECT_NEAR(mean[0], -P, 0.01 * P);
    for (int c = 1; c < 6; ++c) EXPECT_NEAR(mean[c], 0.0, 1e-6 * P) << c;
}

}  // namespace
}  // namespace shelltest
