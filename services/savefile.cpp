#include "services/savefile.h"

#include <cstring>
#include <string_view>

#include <QFile>

namespace services {

bool SaveFileBytes(const QString& path, const QByteArray& bytes, QString* why) {
    fem::FileWriteError failure;
    if (fem::WriteFileSafely(QFile::encodeName(path).toStdString(),
                             std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                             &failure))
        return true;
    if (why != nullptr) *why = WriteFailureText(failure);
    return false;
}

QString WriteFailureText(const fem::FileWriteError& error) {
    using fem::FileWriteStep;
    // The C library's text, in the user's language where it has one.
    const QString system = QString::fromLocal8Bit(std::strerror(error.systemError));
    QString why;
    switch (error.step) {
        case FileWriteStep::LookAtFile:
            why = QStringLiteral("ファイルを調べられません（%1）。").arg(system);
            break;
        case FileWriteStep::TooManyLinks:
            why = QStringLiteral("シンボリックリンクが多すぎます。");
            break;
        case FileWriteStep::NotRegularFile:
            why = QStringLiteral("通常のファイルではないため置き換えられません。");
            break;
        case FileWriteStep::CreateTemporary:
            why = QStringLiteral("フォルダに一時ファイルを作れません（%1）。").arg(system);
            break;
        case FileWriteStep::SetPermissions:
            why = QStringLiteral("ファイルの許可を設定できません（%1）。").arg(system);
            break;
        case FileWriteStep::Write:
            why = QStringLiteral("ファイルに書き込めません（%1）。").arg(system);
            break;
        case FileWriteStep::Replace:
            why = QStringLiteral("元のファイルを置き換えられません（%1）。").arg(system);
            break;
    }
    return why + QStringLiteral("元のファイルはそのままです。");
}

}  // namespace services
