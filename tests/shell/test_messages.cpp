// Every message the program shows is Japanese: over a series of failing operations
// no English sentence reaches the user, and the file, the line and the field stay in
// the message. Qt's own dialogs speak Japanese too.
#include <cerrno>
#include <limits>

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "model/datafile.h"
#include "model/samples.h"
#include "numeric/failure.h"
#include "shell/messages.h"
#include "shell_fixture.h"

namespace shelltest {
namespace {

// Two Latin words in a row: an English phrase. Single letters and symbols such as
// "Ux", "p、u、pf" or "Nw" are names, not sentences.
bool HasEnglish(const QString& text) {
    static const QRegularExpression words(QStringLiteral("[A-Za-z]{2,}[ ,:;'()-]+[A-Za-z]{2,}"));
    return words.match(text).hasMatch();
}

class MessagesTest : public ShellTest {
  protected:
    QString PathOf(const char* name) const { return dir.filePath(QLatin1String(name)); }
    void Write(const char* name, const std::string& text) {
        QFile f(PathOf(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
    // The messages without the temporary folder's name, which is not the program's text.
    QStringList Shown() const {
        QStringList out;
        for (QString m : messages) out << m.replace(dir.path(), QStringLiteral("F"));
        return out;
    }
    QTemporaryDir dir;
};

const std::string kNode0 = "0,0,0,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\nu,0\r\n";
const std::string kNode1 = "1,100,0,0\r\np,0\r\np,0\r\np,0\r\np,0\r\np,0\r\npf,1\r\n";

TEST_F(MessagesTest, FailingOperationsSpeakJapaneseAndKeepFileLineAndField) {
    // Files that cannot be read, each for another reason.
    const std::string head = "2,1\r\n" + kNode0 + kNode1;
    const std::pair<const char*, std::string> files[] = {
        {"count.txt", "x,1\r\n"},
        {"coordinate.txt", "2,1\r\n0,0,abc,0\r\n"},
        {"code.txt", "2,1\r\n0,0,0,0\r\nq,0\r\n"},
        {"short.txt", "2,1\r\n" + kNode0},
        {"same.txt", head + "0,1,1\r\n21000,8000,1,10\r\n"},
        {"unusable.txt", head + "0,0,1\r\n21000,0,1,10\r\n"},
        {"after.txt", head + "0,0,1\r\n21000,8000,1,10\r\nmore\r\n"},
        {"long.txt", "2," + std::string(300, '9')},
        {"nonodes.txt", "0,1\r\n0,0,1\r\n"},
        {"key.json", "{\"format\": \"ImpactFrame\", \"version\": 2,\n \"colour\": 1}"},
        {"later.json", "{\"format\": \"ImpactFrame\", \"version\": 3}"},
        {"pipe.json",
         "{\"format\": \"ImpactFrame\", \"version\": 2, \"nodes\": [], \"elements\": [],\n"
         " \"sections\": {\"pipe\": {\"shape\": \"tube\", \"d\": 10, \"t\": 5}}}"},
    };
    for (const auto& [name, text] : files) {
        Write(name, text);
        EXPECT_FALSE(panel->OpenStructureFile(PathOf(name)));
    }
    EXPECT_FALSE(panel->OpenStructureFile(PathOf("missing.txt")));
    ASSERT_EQ(messages.size(), std::size(files) + 1);
    const QStringList read = Shown();
    EXPECT_EQ(read[1],
              QStringLiteral("構造データを読み込めません。\nF/coordinate.txt の 2 行目："
                             "節点 0 の y 座標は数値でなければなりませんが、「abc」です。"));
    EXPECT_TRUE(read[2].contains(QStringLiteral("節点 0 の Ux の拘束条件")));
    EXPECT_TRUE(read[5].contains(QStringLiteral("要素 0 の値が使えません（横弾性係数が 0")))
        << read[5].toStdString();
    EXPECT_TRUE(read.last().contains(QStringLiteral("ファイルまたはフォルダがありません")));
    // Version 2 files: line and column, the key and the name of what is wrong.
    EXPECT_EQ(read[9], QStringLiteral("構造データを読み込めません。\nF/key.json の 2 行 2 文字目："
                                      "ファイルの「colour」は使えないキーです。"));
    EXPECT_TRUE(
        read[10].contains(QStringLiteral("新しい版の ImpactFrame で作られたファイルです（版 3）")))
        << read[10].toStdString();
    EXPECT_TRUE(read[11].contains(QStringLiteral("断面「pipe」の「t」の値が使えません")))
        << read[11].toStdString();

    // Files that cannot be written: no folder, and a value a file cannot hold.
    fem::BuildSample(fem::FEM(), 1);
    fem::DataFileWriteError why;
    ASSERT_FALSE(fem::StructDataWriteFile(fem::FEM(), PathOf("no/such.txt").toStdString(), &why));
    messages.push_back(shell::WriteFailureMessage(why));
    fem::Model bad = fem::FEM();
    bad.Nodes[1].Coord[2] = std::numeric_limits<double>::quiet_NaN();
    ASSERT_FALSE(fem::StructDataWriteFile(bad, PathOf("nan.txt").toStdString(), &why));
    messages.push_back(shell::WriteFailureMessage(why));
    EXPECT_TRUE(
        Shown().last().contains(QStringLiteral("節点 1 の z 座標が有限の数値でない値（nan）")))
        << Shown().last().toStdString();

    // Runs that fail: forces before an analysis, a structure without a free degree of
    // freedom, a stopped run, forces after the structure changed.
    frame->Action("sample1Action")->trigger();
    panel->ComputeElementForces(0);
    for (auto& n : fem::FEM().Nodes)
        for (auto& c : n.BcCode) c = "u";
    Analyse();
    frame->Action("sample2Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    panel->RunAnalysis();
    Get<QPushButton>("stopButton")->click();
    Settle();
    Analyse();
    fem::NodeRecord extra = fem::DefaultNode();
    extra.Coord = {0, 70, 0};
    fem::FEM().AddNode(extra);
    panel->ComputeElementForces(1);
    panel->ComputeElementForces(7);

    ASSERT_GE(messages.size(), std::size(files) + 1 + 2 + 5);
    for (const QString& m : Shown()) {
        EXPECT_FALSE(HasEnglish(m)) << m.toStdString();
        EXPECT_FALSE(m.isEmpty());
    }
}

// Each reason the engine gives has its own Japanese sentence, numbers and names kept;
// a reason not known yet still gets a Japanese one by its kind.
TEST(Messages, EngineReasonsInJapanese) {
    using numeric::ComputationFailure;
    const std::pair<ComputationFailure, const char*> cases[] = {
        {{numeric::kDivisionByZero, "division by zero: element length"}, "要素の長さが 0"},
        {{numeric::kDivisionByZero, "division by zero: Poisson's ratio (shear modulus)"},
         "横弾性係数が 0"},
        {{numeric::kDivisionByZero, "division by zero: density"}, "密度が 0"},
        {{numeric::kInvalidArgument, "square root of a negative number: axial wave speed"},
         "縦波の速さが求まりません"},
        {{numeric::kOverflow, "overflow in bending rigidity"}, "曲げ剛性の途中で"},
        {{numeric::kOutOfRange, "node 12 does not exist"}, "節点 12 はありません"},
        {{numeric::kOverflow, "too many elements (at most 32767)"}, "32767 個まで"},
        {{numeric::kOverflow,
          "too many nodes for the analysis: 6000 nodes have more than 32767 degrees of freedom "
          "(at most 5461 nodes)"},
         "6000 個。5461 個まで"},
        {{numeric::kOutOfRange, "no sample 9 (1 to 4)"}, "例題 9 はありません"},
        {{numeric::kZeroPivot, "zero pivot in complex solver"}, "特異"},
        {{numeric::kOverflow, "overflow in CDiv"}, "計算の途中で"},
        {{numeric::kOutOfRange, "something new"}, "範囲を外れて"},
    };
    for (const auto& [failure, expected] : cases) {
        const QString text = shell::FailureReason(failure);
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << text.toStdString();
        EXPECT_FALSE(HasEnglish(text)) << text.toStdString();
    }
    EXPECT_FALSE(HasEnglish(shell::SolutionEndMessage("Gauss Error")));
    EXPECT_EQ(shell::SystemErrorText(ENOSPC), QStringLiteral("ディスクに空きがありません"));
}

// With Qt's Japanese translations the standard buttons and the file dialog are Japanese.
TEST(Messages, QtDialogsAreJapanese) {
    ASSERT_TRUE(shell::InstallQtJapanese(*QCoreApplication::instance()))
        << "Qt's Japanese translations (qt6-translations-l10n) are not installed";
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
    QFileDialog dialog(nullptr, QString(), QDir::tempPath());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    for (const QAbstractButton* b : buttons->buttons())
        EXPECT_FALSE(b->text().contains(QRegularExpression(QStringLiteral("^[&A-Za-z ]+$"))))
            << b->text().toStdString();
}

}  // namespace
}  // namespace shelltest
