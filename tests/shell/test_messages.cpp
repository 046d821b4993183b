// Every message the program shows is Japanese: over a series of failing operations
// no English sentence reaches the user, and the file, the line and the field stay in
// the message. Qt's own dialogs speak Japanese too.
#include <cerrno>
#include <limits>
#include <optional>

#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "analysis/outcome.h"
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
    EXPECT_TRUE(
        read[5].contains(QStringLiteral("要素 0 の値が使えません。弾性係数、密度と断面の寸法は正")))
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
    fem::BuildSample(Model(), 1);
    fem::DataFileWriteError why;
    ASSERT_FALSE(fem::StructDataWriteFile(Model(), PathOf("no/such.txt").toStdString(), &why));
    messages.push_back(shell::WriteFailureMessage(why));
    fem::Model bad = Model();
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
    for (auto& n : Model().Nodes)
        for (auto& c : n.BcCode) c = "u";
    Model().Touch();
    Analyse();
    frame->Action("sample2Action")->trigger();
    Get<QComboBox>("nwCombo")->setCurrentIndex(0);
    panel->RunAnalysis();
    Get<QPushButton>("stopButton")->click();
    Settle();
    Analyse();
    fem::NodeRecord extra = fem::DefaultNode();
    extra.Coord = {0, 70, 0};
    Model().AddNode(extra);
    panel->ComputeElementForces(1);
    panel->ComputeElementForces(7);

    ASSERT_GE(messages.size(), std::size(files) + 1 + 2 + 5);
    for (const QString& m : Shown()) {
        EXPECT_FALSE(HasEnglish(m)) << m.toStdString();
        EXPECT_FALSE(m.isEmpty());
    }
}

// Each kind of outcome has its own Japanese message, chosen by its kind alone: the
// English detail of the engine never reaches the user, the sizes are given in MB.
TEST(Messages, EveryOutcomeKindHasItsJapaneseMessage) {
    using fem::OutcomeKind;
    const QString gauss = QStringLiteral(
        "解析できません。連立方程式が解けないか、計算の途中で値が大きくなりすぎました。"
        "拘束条件と材料定数を確認して下さい。");
    const auto outcome = [](OutcomeKind kind, double needed = 0.0, double available = 0.0) {
        fem::Outcome o;
        o.Kind = kind;
        o.NeededBytes = needed;
        o.AvailableBytes = available;
        o.Detail = "English words the user never sees";
        return o;
    };
    const double mb = 1024.0 * 1024.0;
    EXPECT_EQ(shell::OutcomeMessage(outcome(OutcomeKind::Complete)), QString());
    EXPECT_EQ(shell::OutcomeMessage(outcome(OutcomeKind::Stopped)),
              QStringLiteral("解析を中止しました。"));
    for (OutcomeKind kind :
         {OutcomeKind::SingularMatrix, OutcomeKind::NoFreeDof, OutcomeKind::NotFinite})
        EXPECT_EQ(shell::OutcomeMessage(outcome(kind)), gauss) << static_cast<int>(kind);
    fem::Outcome mechanism = outcome(OutcomeKind::SingularMatrix);
    mechanism.Node = 5;
    mechanism.Dof = 3;
    EXPECT_EQ(shell::OutcomeMessage(mechanism), gauss + QStringLiteral("\n機構です: 節点 5 の θx"));
    fem::Outcome limited = outcome(OutcomeKind::WouldNotFit, 700 * mb, 512 * mb);
    limited.Limit = fem::MemoryLimit::AddressSpace;
    EXPECT_EQ(shell::OutcomeMessage(limited),
              QStringLiteral("解析には約 700 MB のメモリが必要ですが、プロセスのアドレス空間の制限"
                             "（ulimit -v）で使えるメモリは 512 MB のため、解析を始めませんでした。"
                             "節点数か計算点数 Nw を減らして下さい。"));
    EXPECT_EQ(
        shell::OutcomeMessage(outcome(OutcomeKind::WouldNotFit, 1500.2 * mb, 1024 * mb)),
        QStringLiteral("解析には約 1501 MB のメモリが必要ですが、使えるメモリは 1024 MB "
                       "のため、解析を始めませんでした。節点数か計算点数 Nw を減らして下さい。"));
    EXPECT_EQ(shell::OutcomeMessage(outcome(OutcomeKind::WouldNotFit)),
              QStringLiteral("節点が多すぎて解析できません（自由度に番号を付けきれません）。"));
    EXPECT_EQ(
        shell::OutcomeMessage(outcome(OutcomeKind::OutOfMemory, 300 * mb, 200 * mb)),
        QStringLiteral("解析の途中でメモリが足りなくなりました（必要なメモリの見積りは約 300 "
                       "MB、使えるメモリは 200 MB）。節点数か計算点数 Nw を減らして下さい。"));
    EXPECT_EQ(shell::OutcomeMessage(outcome(OutcomeKind::OutOfMemory)),
              QStringLiteral("解析の途中でメモリが足りなくなりました。"
                             "節点数か計算点数 Nw を減らして下さい。"));
    EXPECT_TRUE(shell::OutcomeMessage(outcome(OutcomeKind::BadNumbering))
                    .startsWith(QStringLiteral("構造に番号を付けられないため解析できません")));
    EXPECT_TRUE(shell::OutcomeMessage(outcome(OutcomeKind::BadSettings))
                    .endsWith(QStringLiteral("γ，Te，荷重立上りの設定値を確認して下さい。")));
    for (int k = 0; k <= static_cast<int>(OutcomeKind::BadSettings); ++k) {
        const QString text = shell::OutcomeMessage(outcome(static_cast<OutcomeKind>(k)));
        EXPECT_FALSE(HasEnglish(text)) << text.toStdString();
        EXPECT_EQ(text.isEmpty(), k == 0) << k;
    }

    EXPECT_EQ(shell::MissingResultsMessage(shell::MissingResults::None, "節点力"), QString());
    EXPECT_EQ(
        shell::MissingResultsMessage(shell::MissingResults::Changed, "節点力"),
        QStringLiteral("構造が解析後に変更されました。もう一度「解析実行」で解析して下さい。"));
    EXPECT_TRUE(
        shell::MissingResultsMessage(shell::MissingResults::Incomplete, QStringLiteral("節点変位"))
            .contains(QStringLiteral("中止またはエラーで終わったため、節点変位を")));
}

// Why the model refuses an element, found from its values in the order the model
// computes them; other failures by their type and number.
TEST(Messages, RefusedElementsAndOtherFailuresInJapanese) {
    using shell::ElementFault;
    const fem::Vec3 a{0, 0, 0}, b{100, 0, 0};
    const auto with = [](double d, double young, double shear, double density) {
        fem::ElementRecord e = fem::DefaultElement();
        e.CrossSection.Diameter = d;
        e.Young = young;
        e.Shear = shear;
        e.Density = density;
        return e;
    };
    // A flat bar b x h, its local z towards a direction when given.
    const auto flat = [](double width, double height, std::optional<fem::Vec3> towards) {
        fem::ElementRecord e = fem::DefaultElement();
        e.CrossSection.Shape = fem::SectionShape::Rectangle;
        e.CrossSection.Width = width;
        e.CrossSection.Height = height;
        e.ZTowards = towards;
        return e;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        fem::ElementRecord e;
        fem::Vec3 end;
        ElementFault fault;
        const char* text;
    } cases[] = {
        {with(10, 21000, 8000, 7.86E-06), b, ElementFault::None, ""},
        {with(10, 21000, 0, 7.86E-06), b, ElementFault::ZeroShear, "横弾性係数が 0"},
        {with(10, 21000, 8000, 7.86E-06), a, ElementFault::ZeroLength, "要素の長さが 0"},
        {with(10, 21000, 8000, 0), b, ElementFault::ZeroDensity, "密度が 0"},
        {with(10, -21000, 8000, 7.86E-06), b, ElementFault::Negative, "波の速さが求まりません"},
        {with(10, 21000, 8000, -7.86E-06), b, ElementFault::Negative, "密度は正の値"},
        {with(0, 21000, 8000, 7.86E-06), b, ElementFault::ZeroDiameter, "直径が 0"},
        {with(nan, 21000, 8000, 7.86E-06), b, ElementFault::NotFinite, "有限の数値でない"},
        {with(1E100, 1E300, 8000, 7.86E-06), b, ElementFault::TooLarge, "値が大きすぎて"},
        {flat(1E150, 1E-150, {}), b, ElementFault::TooLarge, "値が大きすぎて"},
        {flat(50, 9, fem::Vec3{0, 0, 0}), b, ElementFault::ZAlongMember, "向きが決まりません"},
        {flat(50, 9, fem::Vec3{-3, 0, 1E-12}), b, ElementFault::ZAlongMember, "軸に沿って"},
        {flat(50, 0, {}), b, ElementFault::Section, "断面の寸法が使えません"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shell::FindElementFault(c.e, a, c.end), c.fault) << c.text;
        const QString text = shell::ElementFaultText(c.fault);
        EXPECT_TRUE(text.contains(QString::fromUtf8(c.text))) << text.toStdString();
        EXPECT_EQ(text.isEmpty(), c.fault == ElementFault::None);
        // Each fault found is one the model refuses, and the model takes what has none.
        fem::ElementRecord e = c.e;
        if (c.fault == ElementFault::None)
            EXPECT_NO_THROW(fem::UpdateElement(e, a, c.end));
        else
            EXPECT_THROW(fem::UpdateElement(e, a, c.end), numeric::ComputationFailure) << c.text;
    }

    using numeric::ComputationFailure;
    EXPECT_EQ(shell::FailureReason(ComputationFailure(numeric::kOutOfRange, "no sample 9")),
              QStringLiteral("番号または個数が範囲を外れています"));
    EXPECT_EQ(shell::FailureReason(ComputationFailure(numeric::kZeroPivot, "zero pivot")),
              QStringLiteral("連立方程式の係数行列が特異です"));
    EXPECT_EQ(shell::FailureReason(std::bad_alloc()), QStringLiteral("メモリが足りません"));
    EXPECT_FALSE(HasEnglish(shell::FailureReason(std::runtime_error("something new"))));
    EXPECT_EQ(shell::SystemErrorText(ENOSPC), QStringLiteral("ディスクに空きがありません"));
}

// Faults of sections, materials and names: each kind in Japanese, with the key, the
// bound and the numbers.
TEST(Messages, SectionMaterialAndNameFaultsInJapanese) {
    using fem::SectionShape;
    const auto section = [](SectionShape shape, double fem::Section::*field, double value) {
        fem::Section s;
        s.Shape = shape;
        s.Diameter = 10, s.Thickness = 2, s.Width = 100, s.Height = 200;
        s.WebThickness = 5, s.FlangeThickness = 8;
        s.Area = 1, s.Iy = 1, s.Iz = 1, s.J = 1;
        s.*field = value;
        return s;
    };
    const struct {
        fem::Section s;
        const char* text;
    } cases[] = {
        {section(SectionShape::Tube, &fem::Section::Thickness, 6),
         "肉厚 t は d/2 より小さくして下さい（t = 6、d/2 = 5）。"},
        {section(SectionShape::I, &fem::Section::WebThickness, 101),
         "ウェブの厚さ tw は b 以下にして下さい（tw = 101、b = 100）。"},
        {section(SectionShape::Rectangle, &fem::Section::Width, 0),
         "幅 b は正の数にして下さい（0）。"},
        {section(SectionShape::General, &fem::Section::ShearAreaY, -1),
         "せん断断面積 Ay は 0 以上にして下さい（-1）。"},
        {section(SectionShape::Round, &fem::Section::Diameter, HUGE_VAL),
         "直径 d は有限の数値にして下さい。"},
        {section(SectionShape::Round, &fem::Section::Diameter, 1E-100),
         "断面二次モーメント Iy が小さすぎて計算できません（0）。寸法を確認して下さい。"},
        {section(SectionShape::Round, &fem::Section::Diameter, 1E100),
         "断面二次モーメント Iy が大きすぎて計算できません。寸法を確認して下さい。"},
        {section(SectionShape::Box, &fem::Section::Thickness, 2), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(shell::SectionFaultText(c.s), QString::fromUtf8(c.text));

    EXPECT_EQ(shell::MaterialFaultText({-1, 8000, 1}),
              QStringLiteral("ヤング率 E は正の数にして下さい（-1）。"));
    EXPECT_EQ(shell::MaterialFaultText({1, 1, HUGE_VAL}),
              QStringLiteral("密度は有限の数値にして下さい。"));
    EXPECT_EQ(shell::MaterialFaultText({1, 1, 1}), QString());
    for (fem::NameFault f : {fem::NameFault::Empty, fem::NameFault::TooLong,
                             fem::NameFault::NotUtf8, fem::NameFault::ControlCharacter}) {
        EXPECT_FALSE(shell::NameFaultText(f).isEmpty());
        EXPECT_FALSE(HasEnglish(shell::NameFaultText(f))) << shell::NameFaultText(f).toStdString();
    }
    EXPECT_EQ(shell::NameFaultText(fem::NameFault::TooLong),
              QStringLiteral("名前が長すぎます（200 バイトまで）。"));
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
