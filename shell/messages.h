#pragma once
// The program's messages in Japanese. The engine and the data file reader say what kind
// of failure happened and what it concerns (fem::Outcome, fem::DataFileError); the
// windows choose their words by that kind, with the file, the line, the field, the
// numbers and the sizes kept. No English text of the engine is read.
#include <exception>
#include <string>

#include <QString>

#include "model/model.h"
#include "model/section.h"
#include "shell/document.h"
#include "shell/elementfault.h"

class QCoreApplication;

namespace fem {
struct DataFileError;
struct DataFileWriteError;
struct Outcome;
}  // namespace fem

namespace shell {

// Installs Qt's own Japanese translations, so that the standard dialogs and buttons
// (file and colour dialogs, Yes/No) speak Japanese whatever the user's locale. Returns
// false when they are not installed (the dialogs then stay in English).
bool InstallQtJapanese(QCoreApplication& app);

// "構造データを読み込めません。" with the file, the line and what was wrong there.
QString ReadFailureMessage(const fem::DataFileError& error);
// "構造データを書き込めません。" with the file and why.
QString WriteFailureMessage(const fem::DataFileWriteError& error);
// How a solution ended, as its message: "" when complete, "解析を中止しました。" after a
// stop, the message of a singular system ("Gauss Error": a singular matrix, no free
// degree of freedom, values that are not finite), and a message of its own for a run
// refused for lack of memory or that ran out of it (the sizes in MB), a structure that
// cannot be numbered and settings that cannot be used.
QString OutcomeMessage(const fem::Outcome& outcome);
// Why the histories of `what` ("節点力", "節点変位") cannot be computed ("" for None).
QString MissingResultsMessage(MissingResults why, const QString& what);
// Why the model refused an element's values, as a phrase ("" for None). For Section the
// phrase is general; SectionFaultText says which dimension.
QString ElementFaultText(ElementFault fault);

// The shape of a section as the lists show it: "I 形（I）".
QString ShapeTitle(fem::SectionShape shape);
// What a dimension of a shape is, with its unit: "外径 [mm]" for a tube's "d".
QString DimensionMeaning(fem::SectionShape shape, const std::string& key);
// Why section s cannot be used (fem::FindSectionFault), naming the dimension by its
// key and meaning, with the numbers: "肉厚 t は d/2 より小さくして下さい（t = 5、d/2 = 5）";
// "" when it can be used.
QString SectionFaultText(const fem::Section& s);
// Why material m cannot be used (fem::FindMaterialFault); "" when it can.
QString MaterialFaultText(const fem::Material& m);
// Why a text cannot name a material or a section, as a sentence ("" for None).
QString NameFaultText(fem::NameFault fault);
// Any other failure by its type and error number (numeric::ComputationFailure,
// std::bad_alloc), as a phrase.
QString FailureReason(const std::exception& failure);
// The reason of a failed system call (an errno value) in Japanese.
QString SystemErrorText(int number);

}  // namespace shell
