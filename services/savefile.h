#pragma once
// Files the windows save (CSV and text files, pictures): written through
// fem::WriteFileSafely, so that a failure leaves an existing file whole, and a failure
// told in Japanese with the system's own reason.
#include <QByteArray>
#include <QString>

#include "model/safewrite.h"

namespace services {

// Writes bytes to path. Returns false and, in why, WriteFailureText when it cannot.
[[nodiscard]] bool SaveFileBytes(const QString& path, const QByteArray& bytes,
                                 QString* why = nullptr);

// Why a safe write failed, in Japanese with the system's reason, e.g.
// "ファイルに書き込めません（No space left on device）。元のファイルはそのままです。"
QString WriteFailureText(const fem::FileWriteError& error);

}  // namespace services
