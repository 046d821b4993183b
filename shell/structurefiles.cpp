#include "shell/structurefiles.h"

#include <string>
#include <utility>

#include <QFile>
#include <QFileInfo>

#include "model/datafile.h"
#include "numeric/failure.h"
#include "services/paths.h"
#include "shell/document.h"
#include "shell/messages.h"

namespace shell {
namespace {

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

QString ReadStructureFile(Document& document, const QString& path) {
    fem::Model read;
    fem::DataFileError error;
    if (!fem::StructDataReadFile(read, LocalPath(path), &error)) return ReadFailureMessage(error);
    document.Replace(std::move(read), path.toStdString());
    return {};
}

QString WriteStructureFile(Document& document, const QString& path) {
    fem::DataFileWriteError why;
    const fem::WrittenVersion version =
        IsJsonPath(path) ? fem::WrittenVersion::Json : fem::WrittenVersion::AsNeeded;
    if (!fem::StructDataWriteFile(document.Model(), LocalPath(path), &why, version)) {
        why.path = path.toStdString();  // the name as the user chose it
        return WriteFailureMessage(why);
    }
    document.Saved(path.toStdString());
    return {};
}

QString StructureReadFilter() {
    return QStringLiteral(
        "構造データ(*.txt;*.json)|*.txt;*.json|構造データ 版1 テキスト(*.txt)|*.txt|"
        "構造データ 版2 JSON(*.json)|*.json|All|*.*");
}

QString StructureWriteFilter() {
    return QStringLiteral(
        "構造データ 版1 テキスト(*.txt)|*.txt|構造データ 版2 JSON(*.json)|*.json|All|*.*");
}

bool IsJsonPath(const QString& path) {
    return QFileInfo(path).suffix().compare(QLatin1String("json"), Qt::CaseInsensitive) == 0;
}

QString WithExtension(const QString& path, const QString& extension) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    // A name whose only dot is its first character (".frame") has no extension.
    if (suffix.isEmpty() || info.completeBaseName().isEmpty()) return path + extension;
    return path.left(path.size() - suffix.size() - 1) + extension;
}

QString AskJsonInsteadText(const QString& path, const QString& jsonPath) {
    QString text =
        QStringLiteral(
            "この構造は名前の付いた材料・断面、丸棒以外の断面または要素の向きを使うため、"
            "版1（テキスト）の「%1」には保存できません。\n"
            "版2（JSON）で「%2」に保存しますか？")
            .arg(QFileInfo(path).fileName(), QFileInfo(jsonPath).fileName());
    if (QFileInfo::exists(jsonPath))
        text += QStringLiteral("\n（同じ名前のファイルは置き換えられます）");
    return text;
}

QString BuildSampleStructure(Document& document, int number, fem::SampleSettings& settings) {
    fem::Model sample;
    try {
        settings = fem::BuildSample(sample, number);
    } catch (const numeric::ComputationFailure& f) {
        return FailureReason(f);
    }
    document.Replace(std::move(sample), std::string());
    return {};
}

QString FileBaseName(const QString& path) {
    std::string fileName;
    std::string baseName;
    services::FolderOf(path.toStdString(), fileName);
    services::ExtensionOf(fileName, baseName);
    return QString::fromStdString(baseName);
}

}  // namespace shell
