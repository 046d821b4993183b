#include "shell/structurefiles.h"

#include <string>
#include <utility>

#include <QFile>

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
    if (!fem::StructDataWriteFile(document.Model(), LocalPath(path), &why)) {
        why.path = path.toStdString();  // the name as the user chose it
        return WriteFailureMessage(why);
    }
    document.Saved(path.toStdString());
    return {};
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
