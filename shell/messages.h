#pragma once
// The program's messages in Japanese. The engine describes failures in English (the
// command-line tool prints them as they are); the windows say the same in Japanese,
// with the file, the line and the field kept.
#include <exception>
#include <string>

#include <QString>

class QCoreApplication;

namespace fem {
struct DataFileError;
struct DataFileWriteError;
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
// A failure of the engine (numeric::ComputationFailure or another exception) as a
// Japanese sentence.
QString FailureReason(const std::exception& failure);
// The message that ends a solution ("Gauss Error", "User Stop") in Japanese.
QString SolutionEndMessage(const std::string& message);
// The reason of a failed system call (an errno value) in Japanese.
QString SystemErrorText(int number);

}  // namespace shell
