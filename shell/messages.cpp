#include "shell/messages.h"

#include <cerrno>
#include <cmath>
#include <new>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "analysis/outcome.h"
#include "model/datafile.h"
#include "numeric/failure.h"
#include "shell/numbertext.h"

namespace shell {
namespace {

const char* const kDofNames[6] = {"Ux", "Uy", "Uz", "θx", "θy", "θz"};
const char* const kAxisNames[3] = {"x", "y", "z"};
const char* const kMaterialNames[4] = {"ヤング率", "横弾性係数", "密度", "直径"};

QString Utf8(const std::string& s) {
    return QString::fromStdString(s);
}

// A key of a version 2 file in Japanese where it has a name of its own: "ヤング率",
// "断面"; otherwise the key as written, 「t」.
QString KeyName(const std::string& key) {
    static const struct {
        const char* key;
        const char* japanese;
    } kKeys[] = {
        {"E", "ヤング率"},     {"G", "横弾性係数"},     {"density", "密度"},
        {"shape", "形状"},     {"material", "材料"},    {"section", "断面"},
        {"nodes", "節点"},     {"roll", "回転角 roll"}, {"z_towards", "z 軸の向き z_towards"},
        {"codes", "拘束条件"}, {"values", "値"},        {"version", "版"},
        {"format", "形式"},    {"units", "単位"}};
    for (const auto& k : kKeys)
        if (key == k.key) return Utf8(k.japanese);
    return QStringLiteral("「%1」").arg(Utf8(key));
}

// The field in Japanese: "節点 3 の y 座標", "要素 2 の直径".
QString FieldName(const fem::FieldRef& f) {
    using fem::DataField;
    const int i = f.index;
    const QString node = QStringLiteral("節点 %1 の").arg(f.node);
    const QString element = QStringLiteral("要素 %1 の").arg(f.element);
    switch (f.kind) {
        case DataField::NodeCount:
            return QStringLiteral("節点数");
        case DataField::ElementCount:
            return QStringLiteral("要素数");
        case DataField::NodeNumber:
            return node + QStringLiteral("番号");
        case DataField::Coordinate:
            return node + QStringLiteral(" %1 座標").arg(QLatin1String(kAxisNames[i % 3]));
        case DataField::ConstraintCode:
            return node + QStringLiteral(" %1 の拘束条件").arg(Utf8(kDofNames[i % 6]));
        case DataField::DofValue:
            return node + QStringLiteral(" %1 の値").arg(Utf8(kDofNames[i % 6]));
        case DataField::ElementNumber:
            return element + QStringLiteral("番号");
        case DataField::FirstNode:
            return element + QStringLiteral("第１節点");
        case DataField::SecondNode:
            return element + QStringLiteral("第２節点");
        case DataField::Material:
            return element +
                   (i >= 0 && i < 4 ? Utf8(kMaterialNames[i]) : QStringLiteral("材料定数"));
        case DataField::EndAfterElements:
            return QStringLiteral("最後の要素の後");
        case DataField::FileKey:
            return QStringLiteral("ファイルの") + KeyName(f.key);
        case DataField::NamedMaterial:
            return QStringLiteral("材料「%1」の").arg(Utf8(f.name)) + KeyName(f.key);
        case DataField::NamedSection:
            return QStringLiteral("断面「%1」の").arg(Utf8(f.name)) + KeyName(f.key);
        case DataField::NamedHistory:
            return QStringLiteral("荷重履歴「%1」の").arg(Utf8(f.name)) + KeyName(f.key);
        case DataField::NodeKey:
            return node + KeyName(f.key);
        case DataField::ElementKey:
            return element + KeyName(f.key);
        case DataField::ElementSection:
            return element + QStringLiteral("断面の") + KeyName(f.key);
        case DataField::None:
            break;
    }
    return QStringLiteral("ファイル");
}

// The text found, without the quotes the reader puts around it.
QString Found(const std::string& found) {
    QString s = Utf8(found);
    if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
        s = s.mid(1, s.size() - 2);
    return QStringLiteral("「%1」").arg(s);
}

// What went wrong in the field, as a sentence.
QString ReadProblemText(const fem::DataFileError& e) {
    using fem::ReadProblem;
    const QString field = FieldName(e.field);
    switch (e.problem) {
        case ReadProblem::CannotOpen:
            return QStringLiteral("ファイルを開けません（%1）。")
                .arg(SystemErrorText(e.systemError));
        case ReadProblem::Unreadable:
            return QStringLiteral(
                "ファイルを読み込めません（メモリが足りないか、読み込み中に"
                "エラーが起きました）。");
        case ReadProblem::Missing:
            return QStringLiteral("%1がありません（ファイルが途中で終わっています）。").arg(field);
        case ReadProblem::TooLong:
            return QStringLiteral("%1の欄が 256 文字を超えています。").arg(field);
        case ReadProblem::NotANumber:
            return QStringLiteral("%1は数値でなければなりませんが、%2です。")
                .arg(field, Found(e.found));
        case ReadProblem::NotAWholeNumber:
            return QStringLiteral("%1は %2 ～ %3 の整数でなければなりませんが、%4です。")
                .arg(field)
                .arg(e.low)
                .arg(e.high)
                .arg(Found(e.found));
        case ReadProblem::NotACode:
            return QStringLiteral("%1は p、u、pf のどれかでなければなりませんが、%2です。")
                .arg(field, Found(e.found));
        case ReadProblem::NoNodes:
            return QStringLiteral("節点が一つもないのに要素 %1 があります。").arg(e.field.element);
        case ReadProblem::SameNodes:
            return QStringLiteral("要素 %1 の両端が同じ節点 %2 です。")
                .arg(e.field.element)
                .arg(e.field.node);
        case ReadProblem::UnusableElement:
            return QStringLiteral(
                       "要素 %1 の値が使えません。弾性係数、密度と断面の寸法は正とし、"
                       "両端の節点は別の位置に置いて下さい。")
                .arg(e.field.element);
        case ReadProblem::TextAfterEnd:
            return QStringLiteral("節点 %1 個と要素 %2 個の後に余分な文字%3があります。")
                .arg(e.nodeCount)
                .arg(e.elementCount)
                .arg(Found(e.found));
        case ReadProblem::NotJson:
            return QStringLiteral("JSON として読めない文字があります。");
        case ReadProblem::TooDeep:
            return QStringLiteral("配列とオブジェクトの入れ子が深すぎます（64 段まで）。");
        case ReadProblem::DuplicateKey:
            return QStringLiteral("同じキー「%1」が二度あります。").arg(Utf8(e.field.key));
        case ReadProblem::UnknownKey:
            return QStringLiteral("%1は使えないキーです。").arg(field);
        case ReadProblem::MissingKey:
            return QStringLiteral("%1がありません。").arg(field);
        case ReadProblem::WrongType:
            return QStringLiteral("%1の値の種類（数値、文字列、配列、オブジェクト）が違います。")
                .arg(field);
        case ReadProblem::NotThisFormat:
            return QStringLiteral("ImpactFrame の構造データではありません。");
        case ReadProblem::LaterVersion:
            return QStringLiteral(
                       "新しい版の ImpactFrame で作られたファイルです（版 %1）。この版では"
                       "読めません。")
                .arg(Utf8(e.found).remove(QStringLiteral("version ")));
        case ReadProblem::UnknownName:
            return QStringLiteral("%1「%2」はファイルにありません。")
                .arg(KeyName(e.field.key), Utf8(e.field.name));
        case ReadProblem::UnusableValue:
            return QStringLiteral(
                       "%1の値が使えません。正の有限の数とし、断面の寸法は形に合わせて"
                       "下さい。")
                .arg(field);
    }
    return QStringLiteral("ファイルを読み込めません。");
}

QString Megabytes(double bytes) {
    return QString::number(static_cast<long long>(std::ceil(bytes / (1024.0 * 1024.0))));
}

const QString kReduce = QStringLiteral("節点数か計算点数 Nw を減らして下さい。");

// The limit that left the memory, as the start of "…使えるメモリは".
QString LimitWords(fem::MemoryLimit limit) {
    switch (limit) {
        case fem::MemoryLimit::AddressSpace:
            return QStringLiteral("プロセスのアドレス空間の制限（ulimit -v）で");
        case fem::MemoryLimit::ControlGroup:
            return QStringLiteral("コントロールグループのメモリ制限で");
        case fem::MemoryLimit::Available:
            break;
    }
    return QString();
}

}  // namespace

bool InstallQtJapanese(QCoreApplication& app) {
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QString ReadFailureMessage(const fem::DataFileError& error) {
    QString where = Utf8(error.path);
    if (error.line > 0 && error.column > 0) {
        where += QStringLiteral(" の %1 行 %2 文字目").arg(error.line).arg(error.column);
    } else if (error.line > 0) {
        where += QStringLiteral(" の %1 行目").arg(error.line);
    }
    return QStringLiteral("構造データを読み込めません。\n%1：%2")
        .arg(where, ReadProblemText(error));
}

QString WriteFailureMessage(const fem::DataFileWriteError& error) {
    using fem::WriteStep;
    QString why;
    const QString system = SystemErrorText(error.systemError);
    switch (error.step) {
        case WriteStep::Unwritable:
            why = QStringLiteral("%1が%2のため、ファイルに書けません。何も書き込んでいません。")
                      .arg(FieldName(error.field),
                           error.field.kind == fem::DataField::ConstraintCode
                               ? QStringLiteral("「%1」（p、u、pf 以外）").arg(Utf8(error.value))
                               : QStringLiteral("有限の数値でない値（%1）").arg(Utf8(error.value)));
            break;
        case WriteStep::LookAtFile:
            why = QStringLiteral("ファイルを調べられません（%1）。").arg(system);
            break;
        case WriteStep::TooManyLinks:
            why = QStringLiteral("シンボリックリンクが多すぎます。");
            break;
        case WriteStep::NotRegularFile:
            why = QStringLiteral("通常のファイルではないため置き換えられません。");
            break;
        case WriteStep::CreateTemporary:
            why = QStringLiteral("フォルダに一時ファイルを作れません（%1）。").arg(system);
            break;
        case WriteStep::SetPermissions:
            why = QStringLiteral("ファイルの許可を設定できません（%1）。").arg(system);
            break;
        case WriteStep::Write:
            why = QStringLiteral("ファイルに書き込めません（%1）。").arg(system);
            break;
        case WriteStep::Replace:
            why = QStringLiteral("元のファイルを置き換えられません（%1）。").arg(system);
            break;
    }
    if (error.step != WriteStep::Unwritable) why += QStringLiteral("元のファイルはそのままです。");
    return QStringLiteral("構造データを書き込めません。\n%1：%2").arg(Utf8(error.path), why);
}

QString OutcomeMessage(const fem::Outcome& o) {
    using fem::OutcomeKind;
    switch (o.Kind) {
        case OutcomeKind::Complete:
            return {};
        case OutcomeKind::Stopped:
            return QStringLiteral("解析を中止しました。");
        case OutcomeKind::SingularMatrix:
            if (o.Node >= 0 && o.Dof >= 0 && o.Dof < 6)
                return QStringLiteral(
                           "解析できません。連立方程式が解けないか、計算の途中で値が大きく"
                           "なりすぎました。拘束条件と材料定数を確認して下さい。\n"
                           "機構です: 節点 %1 の %2")
                    .arg(o.Node)
                    .arg(Utf8(kDofNames[o.Dof]));
            [[fallthrough]];
        case OutcomeKind::NoFreeDof:
        case OutcomeKind::NotFinite:
            return QStringLiteral(
                "解析できません。連立方程式が解けないか、計算の途中で値が大きく"
                "なりすぎました。拘束条件と材料定数を確認して下さい。");
        case OutcomeKind::WouldNotFit:
            if (o.NeededBytes <= 0.0)
                return QStringLiteral(
                    "節点が多すぎて解析できません（自由度に番号を付けきれません）。");
            return QStringLiteral(
                       "解析には約 %1 MB のメモリが必要ですが、%2使えるメモリは %3 MB "
                       "のため、解析を始めませんでした。")
                       .arg(Megabytes(o.NeededBytes), LimitWords(o.Limit),
                            Megabytes(o.AvailableBytes)) +
                   kReduce;
        case OutcomeKind::OutOfMemory: {
            QString sizes;
            if (o.NeededBytes > 0.0 && o.AvailableBytes > 0.0)
                sizes = QStringLiteral("（必要なメモリの見積りは約 %1 MB、使えるメモリは %2 MB）")
                            .arg(Megabytes(o.NeededBytes), Megabytes(o.AvailableBytes));
            else if (o.NeededBytes > 0.0)
                sizes = QStringLiteral("（必要なメモリの見積りは約 %1 MB）")
                            .arg(Megabytes(o.NeededBytes));
            return QStringLiteral("解析の途中でメモリが足りなくなりました%1。").arg(sizes) +
                   kReduce;
        }
        case OutcomeKind::BadNumbering:
            return QStringLiteral(
                "構造に番号を付けられないため解析できません（要素が存在しない節点を"
                "指しています）。構造データを確認して下さい。");
        case OutcomeKind::BadSettings:
            return QStringLiteral("解析条件が使えません。") +
                   QStringLiteral("γ，Te，荷重立上りの設定値を確認して下さい。");
    }
    return QStringLiteral("解析できません。");
}

QString MissingResultsMessage(MissingResults why, const QString& what) {
    switch (why) {
        case MissingResults::None:
            return {};
        case MissingResults::NoAnalysis:
            return QStringLiteral("解析結果がありません。先に「解析実行」で解析して下さい。");
        case MissingResults::Changed:
            return QStringLiteral(
                "構造が解析後に変更されました。もう一度「解析実行」で解析して下さい。");
        case MissingResults::Incomplete:
            break;
    }
    return QStringLiteral(
               "動的解析が中止またはエラーで終わったため、%1を計算できません。"
               "もう一度「解析実行」で解析して下さい。")
        .arg(what);
}

QString ElementFaultText(ElementFault fault) {
    switch (fault) {
        case ElementFault::None:
            return {};
        case ElementFault::NotFinite:
            return QStringLiteral("有限の数値でない値があります");
        case ElementFault::ZeroShear:
            return QStringLiteral("横弾性係数が 0 のためポアソン比が求まりません");
        case ElementFault::ZeroLength:
            return QStringLiteral("要素の両端の節点が同じ位置にあります（要素の長さが 0 です）");
        case ElementFault::ZeroDensity:
            return QStringLiteral("密度が 0 のため計算できません");
        case ElementFault::Negative:
            return QStringLiteral("波の速さが求まりません（弾性係数と密度は正の値にして下さい）");
        case ElementFault::ZeroDiameter:
            return QStringLiteral("直径が 0 のため断面がありません");
        case ElementFault::Section:
            return QStringLiteral("断面の寸法が使えません");
        case ElementFault::ZAlongMember:
            return QStringLiteral(
                "局所 z 軸の向きが 0 か要素の軸に沿っているため、断面の向きが決まりません");
        case ElementFault::TooLarge:
            return QStringLiteral("値が大きすぎて剛性を計算できません");
    }
    return {};
}

QString ShapeTitle(fem::SectionShape shape) {
    switch (shape) {
        case fem::SectionShape::Round:
            return QStringLiteral("丸棒（round）");
        case fem::SectionShape::Tube:
            return QStringLiteral("円管（tube）");
        case fem::SectionShape::Rectangle:
            return QStringLiteral("長方形（rectangle）");
        case fem::SectionShape::Box:
            return QStringLiteral("角形管（box）");
        case fem::SectionShape::I:
            return QStringLiteral("I 形（I）");
        case fem::SectionShape::General:
            break;
    }
    return QStringLiteral("一般（general）");
}

QString DimensionMeaning(fem::SectionShape shape, const std::string& key) {
    using fem::SectionShape;
    const bool I = shape == SectionShape::I;
    static const struct {
        const char* key;
        const char* meaning;
        const char* unit;
    } kMeanings[] = {{"t", "肉厚", "mm"},
                     {"tw", "ウェブの厚さ", "mm"},
                     {"tf", "フランジの厚さ", "mm"},
                     {"A", "断面積", "mm²"},
                     {"Iy", "断面二次モーメント（局所 y 軸まわり）", "mm⁴"},
                     {"Iz", "断面二次モーメント（局所 z 軸まわり）", "mm⁴"},
                     {"J", "ねじり定数", "mm⁴"},
                     {"Ay", "せん断断面積（局所 y 方向、0 は考えない）", "mm²"},
                     {"Az", "せん断断面積（局所 z 方向、0 は考えない）", "mm²"}};
    QString meaning;
    QString unit = QStringLiteral("mm");
    if (key == "d")
        meaning = shape == SectionShape::Tube ? QStringLiteral("外径") : QStringLiteral("直径");
    else if (key == "b")
        meaning =
            I ? QStringLiteral("フランジ幅（局所 y 方向）") : QStringLiteral("幅（局所 y 方向）");
    else if (key == "h")
        meaning = QStringLiteral("高さ（局所 z 方向）");
    for (const auto& m : kMeanings)
        if (key == m.key) meaning = Utf8(m.meaning), unit = Utf8(m.unit);
    if (meaning.isEmpty()) return Utf8(key);
    return QStringLiteral("%1 [%2]").arg(meaning, unit);
}

namespace {

// A property a section derives, by the key FindSectionFault gives it.
QString PropertyName(const std::string& key) {
    if (key == "A") return QStringLiteral("断面積 A");
    if (key == "J") return QStringLiteral("ねじり定数 J");
    if (key == "Iy + Iz") return QStringLiteral("断面極二次モーメント Iy + Iz");
    return QStringLiteral("断面二次モーメント %1").arg(Utf8(key));
}

// A name as the subject of a sentence: a blank between a Latin key and the particle,
// "肉厚 t は", none after Japanese, "密度は".
QString Subject(QString name) {
    if (!name.isEmpty() && name.back().unicode() < 0x80) name += QLatin1Char(' ');
    return name;
}

// The sentence of a fault of one value, called `name` ("肉厚 t", "ヤング率 E", "密度").
QString ValueFaultText(const fem::ValueFault& f, const QString& value) {
    using fem::FaultKind;
    const QString name = Subject(value);
    const QString key = Utf8(f.Key);
    const QString bound = Utf8(f.Bound);
    switch (f.Kind) {
        case FaultKind::None:
            return {};
        case FaultKind::NotFinite:
            return QStringLiteral("%1は有限の数値にして下さい。").arg(name);
        case FaultKind::NotPositive:
            return QStringLiteral("%1は正の数にして下さい（%2）。").arg(name, NumberText(f.Value));
        case FaultKind::Negative:
            return QStringLiteral("%1は 0 以上にして下さい（%2）。").arg(name, NumberText(f.Value));
        case FaultKind::NotBelow:
            return QStringLiteral("%1は %2 より小さくして下さい（%3 = %4、%2 = %5）。")
                .arg(name, bound, key, NumberText(f.Value), NumberText(f.Limit));
        case FaultKind::Exceeds:
            return QStringLiteral("%1は %2 以下にして下さい（%3 = %4、%2 = %5）。")
                .arg(name, bound, key, NumberText(f.Value), NumberText(f.Limit));
        case FaultKind::Vanishes:
            return QStringLiteral("%1が小さすぎて計算できません（%2）。寸法を確認して下さい。")
                .arg(Subject(PropertyName(f.Property)), NumberText(f.Value));
        case FaultKind::Overflows:
            return QStringLiteral("%1が大きすぎて計算できません。寸法を確認して下さい。")
                .arg(Subject(PropertyName(f.Property)));
    }
    return QStringLiteral("%1が使えません。").arg(name);
}

}  // namespace

QString SectionFaultText(const fem::Section& s) {
    const fem::ValueFault f = fem::FindSectionFault(s);
    if (f.Empty()) return {};
    // The meaning without its unit and its note: "高さ".
    QString meaning = DimensionMeaning(s.Shape, f.Key);
    for (const QString& tail : {QStringLiteral(" ["), QStringLiteral("（")})
        if (meaning.contains(tail)) meaning.truncate(meaning.indexOf(tail));
    return ValueFaultText(f, QStringLiteral("%1 %2").arg(meaning, Utf8(f.Key)));
}

QString MaterialFaultText(const fem::Material& m) {
    const fem::ValueFault f = fem::FindMaterialFault(m);
    if (f.Empty()) return {};
    return ValueFaultText(f, f.Key == "density"
                                 ? QStringLiteral("密度")
                                 : KeyName(f.Key) + QStringLiteral(" ") + Utf8(f.Key));
}

QString NameFaultText(fem::NameFault fault) {
    switch (fault) {
        case fem::NameFault::None:
            return {};
        case fem::NameFault::Empty:
            return QStringLiteral("名前を入れて下さい。");
        case fem::NameFault::TooLong:
            return QStringLiteral("名前が長すぎます（%1 バイトまで）。").arg(fem::kMaxNameBytes);
        case fem::NameFault::NotUtf8:
            return QStringLiteral("名前に使えない文字があります。");
        case fem::NameFault::ControlCharacter:
            return QStringLiteral("名前に制御文字（タブ、改行など）は使えません。");
    }
    return {};
}

QString FailureReason(const std::exception& failure) {
    if (dynamic_cast<const std::bad_alloc*>(&failure) != nullptr)
        return QStringLiteral("メモリが足りません");
    const auto* f = dynamic_cast<const numeric::ComputationFailure*>(&failure);
    switch (f ? f->Number() : 0) {
        case numeric::kInvalidArgument:
            return QStringLiteral("計算の結果が数値になりません");
        case numeric::kOverflow:
            return QStringLiteral("計算の途中で値が大きくなりすぎました");
        case numeric::kOutOfRange:
            return QStringLiteral("番号または個数が範囲を外れています");
        case numeric::kZeroPivot:
            return QStringLiteral("連立方程式の係数行列が特異です");
        case numeric::kDivisionByZero:
            return QStringLiteral("0 で割る計算になりました");
        default:
            return QStringLiteral("計算できない値があります");
    }
}

QString SystemErrorText(int number) {
    switch (number) {
        case 0:
            return QStringLiteral("原因不明");
        case ENOENT:
            return QStringLiteral("ファイルまたはフォルダがありません");
        case EACCES:
        case EPERM:
            return QStringLiteral("アクセスが許可されていません");
        case EROFS:
            return QStringLiteral("読み取り専用の場所です");
        case ENOSPC:
            return QStringLiteral("ディスクに空きがありません");
        case EDQUOT:
            return QStringLiteral("ディスクの割り当てを超えました");
        case EISDIR:
            return QStringLiteral("フォルダです");
        case ENOTDIR:
            return QStringLiteral("途中にフォルダでないものがあります");
        case ENAMETOOLONG:
            return QStringLiteral("名前が長すぎます");
        case ELOOP:
            return QStringLiteral("シンボリックリンクが循環しています");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("開いているファイルが多すぎます");
        case EIO:
            return QStringLiteral("入出力エラー");
        case EBUSY:
            return QStringLiteral("使用中です");
        default:
            return QStringLiteral("システムエラー %1").arg(number);
    }
}

}  // namespace shell
